#include "ui/transfer_frame.h"

#include "app/paths.h"
#include "app/startup.h"
#include "app/title.h"
#include "backends/qt/port_names.h"
#include "ui/layout.h"
#include "ui/mode_window.h"
#include "ui/pictures.h"
#include "ui/ports_dialog.h"
#include "ui/progress_strip.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>

namespace tz {

using namespace layout;

namespace {

QPushButton* button(QWidget* parent, const char* name, const char* caption, int l, int t, int w,
                    int h, const QFont& f) {
    auto* b = place(new QPushButton(QString::fromUtf8(caption), parent), name, l, t, w, h);
    b->setFont(f);
    // Enter in the window must not press a button that lacks the focus.
    b->setAutoDefault(false);
    return b;
}

QGroupBox* frame(QWidget* parent, const char* name, const char* caption, int l, int t, int w, int h,
                 const QFont& f) {
    auto* g = place(new QGroupBox(QString::fromUtf8(caption), parent), name, l, t, w, h);
    g->setFont(f);
    return g;
}

QLabel* statusLine(QWidget* parent, const char* name, int top, int height, const QFont& f) {
    auto* lb = place(new QLabel(parent), name, 120, top, 1815, height);
    lb->setTextFormat(Qt::PlainText);
    lb->setFont(f);
    lb->setFrameStyle(QFrame::Box | QFrame::Plain);
    setTextColor(lb, kRed);
    return lb;
}

} // namespace

TransferFrame::TransferFrame(UiServices& services, QPoint at, const Look& look)
    : services_(services), globals_(services.globals), csvFilter_(look.csvFilter) {
    setAttribute(Qt::WA_DeleteOnClose);
    serial_ = services_.makeSerial();
    shell_ = services_.makeShell();
    sheetLink_ = services_.makeSheetLink();
    documentLink_ = std::make_unique<DocumentLink>(services_.host, *shell_, *sheetLink_, stop_);
    fileDialog_ = services_.makeFileDialog(this);
    buildFrame(look);
    // The window opens where the mode selection window stood.
    move(at);
}

TransferFrame::~TransferFrame() = default;

int TransferFrame::portIndex() const {
    return portList_->currentIndex();
}

std::string TransferFrame::documentText() const {
    return documentEntry_->text().toStdString();
}

void TransferFrame::showStatus1(const std::string& text) {
    status1_->setText(QString::fromStdString(text));
}

void TransferFrame::showStatus2(const std::string& text) {
    status2_->setText(QString::fromStdString(text));
}

WindowHandle TransferFrame::handle() const {
    return static_cast<WindowHandle>(winId());
}

void TransferFrame::buildFrame(const Look& look) {
    setObjectName(look.name);
    setWindowTitle("TIDEWELL-Z  (F1:HELP)");
    setWindowIcon(pictures::windowIcon());
    setFont(look.windowFont);
    // The layout's area, and below it the strip of progress and result.
    setFixedSize(px(7860), px(2835) + ProgressStrip::kHeight);
    progress_ = new ProgressStrip(this);
    progress_->setGeometry(px(120), px(2835), px(7860) - 2 * px(120), ProgressStrip::kHeight - 4);
    progress_->setFont(layoutFont("Arial", 9));

    const QFont small = layoutFont("Arial", 8.25);
    const QFont smallBold = layoutFont("Arial", 8.25, true);
    const QFont nineBold = layoutFont("Arial", 9, true);

    portFrame_ = frame(this, "SSFrame2", "RS-232 Port", 120, 120, 1215, 1455, small);
    portList_ =
        place(new PortComboBox(services_.listPorts, portFrame_), "Combo2", 120, 240, 975, 345);
    portList_->setFont(nineBold);
    portList_->setEditable(false);
    // Below the list, in the frame's free space; out of the keyboard order
    // of the classic controls.
    portsButton_ = button(portFrame_, "PortsButton", "Ports\u2026", 120, 1020, 975, 315, small);
    portsButton_->setFocusPolicy(Qt::NoFocus);
    portsButton_->setToolTip("Assign a serial port of this machine to COM1 to COM9");
#ifdef _WIN32
    // COMn is the port's own name on Windows: there is nothing to assign.
    portsButton_->hide();
#endif

    statusFrame_ =
        frame(this, "SSFrame5", "Status", 5640, 1680, 2055, 975, layoutFont("Arial", 9.75, true));
    status1_ =
        statusLine(statusFrame_, "Label4", look.statusTop, look.statusHeight, look.statusFont);
    status2_ = statusLine(statusFrame_, "Label5", 600, look.statusHeight, look.statusFont);

    const QFont startFont = layoutFont("Arial", 9.75, true);
    startButton_ = button(this, "SSCommand3", "Start Transfer!", 5640, 1680, 2055, 975, startFont);
    exitButton_ = button(this, "SSCommand5", "Exit", 120, 2280, 1215, 375, look.exitFont);

    // A link endpoint that spreadsheet macros may look up by its name; never
    // shown.
    linkEndpoint_ = place(new QLineEdit(this), "Text1", look.linkEndpointLeft, 1440, 1335, 264);
    linkEndpoint_->setFont(layoutFont("Arial", 9));
    linkEndpoint_->hide();

    stopButton_ = button(this, "SSCommand6", "Stop Xfer", 120, 2280, 1215, 375, startFont);
    modeInfoButton_ = button(this, "SSCommand4", "Mode/Info", 120, 1800, 1215, 375, smallBold);

    documentFrame_ =
        frame(this, "SSFrame3", "Application document", 1560, 840, 6135, 615, smallBold);
    documentEntry_ =
        place(new QLineEdit(documentFrame_), "Text3", 120, 240, 5175, look.documentEntryHeight);
    documentEntry_->setFont(nineBold);
    setTextColor(documentEntry_, kDarkBlue);
    documentPicker_ =
        button(documentFrame_, "SSCommand2", "", 5400, 120, 615, 450, look.windowFont);

    applicationFrame_ =
        frame(this, "SSFrame1", "Application path", 1560, 120, 6135, 615, smallBold);
    applicationPath_ =
        place(new QLabel(applicationFrame_), "Label1", 120, 280, look.applicationPathWidth, 255);
    applicationPath_->setTextFormat(Qt::PlainText);
    applicationPath_->setFont(nineBold);
    setTextColor(applicationPath_, kDarkBlue);
    applicationPicker_ =
        button(applicationFrame_, "SSCommand1", "", 5400, 120, 615, 450, look.windowFont);

    for (QPushButton* picker : {applicationPicker_, documentPicker_}) {
        picker->setIcon(pictures::openFolder());
        picker->setIconSize(QSize(24, 20));
        picker->raise(); // above a long path label that runs under it
    }
    for (QLabel* lb : {applicationPath_, status1_, status2_})
        lb->setFocusPolicy(Qt::NoFocus);

    connect(applicationPicker_, &QPushButton::clicked, this, &TransferFrame::pickApplication);
    connect(documentPicker_, &QPushButton::clicked, this, &TransferFrame::pickDocument);
    connect(startButton_, &QPushButton::clicked, this, [this] {
        // The port chosen for this transfer is the one the next run offers.
        globals_.PortNo = portIndex() + 1;
        runAsTransferCode([this] { startTransfer(); });
    });
    connect(modeInfoButton_, &QPushButton::clicked, this, &TransferFrame::modeInfo);
    connect(exitButton_, &QPushButton::clicked, this, &TransferFrame::exitWindow);
    connect(stopButton_, &QPushButton::clicked, this, [this] { stopTransfer(); });
    connect(portsButton_, &QPushButton::clicked, this, [this] { showPortsDialog(); });
}

PortsDialog* TransferFrame::showPortsDialog() {
    auto* dialog = new PortsDialog(services_.listPorts, portLinkFolder(), portIndex() + 1, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this] {
        if (auto* ports = qobject_cast<PortComboBox*>(portList_)) ports->refreshDescriptions();
    });
    dialog->open();
    return dialog;
}

void TransferFrame::showApplicationPath() {
    applicationPath_->setText(QString::fromStdString(globals_.ApplicationPath));
}

void TransferFrame::fillPortList() {
    portList_->clear();
    for (int n = 1; n <= 9; ++n)
        portList_->addItem(QStringLiteral("COM%1").arg(n));
    if (auto* ports = qobject_cast<PortComboBox*>(portList_)) ports->refreshDescriptions();
    // A port number the list cannot show (0, or a hand-edited file) leaves
    // no port selected; the port opening then reports it.
    const int index = globals_.PortNo - 1;
    portList_->setCurrentIndex(index >= 0 && index < 9 ? index : -1);
}

void TransferFrame::showDefaultDocument() {
    const char* name = globals_.SaveFormat == 1 ? "Tidewell.xls" : "Tidewell.csv";
    // An installed program cannot write beside itself: its default document
    // goes to the user's documents instead.
    const std::string& folder =
        globals_.DocumentFolder.empty() ? globals_.ProgramFolder : globals_.DocumentFolder;
    documentEntry_->setText(QString::fromStdString(joinProgramFolder(folder, name)));
}

void TransferFrame::setIdleState() {
    statusFrame_->setVisible(false);
    startButton_->setVisible(true);
    startButton_->setEnabled(true);
    stopButton_->setVisible(false);
    exitButton_->setVisible(true);
    portFrame_->setEnabled(true);
    modePanel_->setEnabled(true);
    applicationPicker_->setEnabled(true);
    documentPicker_->setEnabled(true);
    modeInfoButton_->setEnabled(true);
    documentEntry_->setEnabled(true);
}

void TransferFrame::setTransferringState() {
    progress_->startRun();
    statusFrame_->setVisible(true);
    startButton_->setVisible(false);
    startButton_->setEnabled(false);
    stopButton_->setVisible(true);
    exitButton_->setVisible(false);
    portFrame_->setEnabled(false);
    modePanel_->setEnabled(false);
    applicationPicker_->setEnabled(false);
    documentPicker_->setEnabled(false);
    modeInfoButton_->setEnabled(false);
    documentEntry_->setEnabled(false);
}

QString TransferFrame::withPreviousCopy(const QString& result) const {
    if (previousCopy_.empty()) return result;
    const QString name = QFileInfo(QString::fromStdString(previousCopy_)).fileName();
    return result + "; earlier rows in " + name;
}

void TransferFrame::pickApplication() {
    const std::string path = fileDialog_->open("EXE File(*.exe)|*.exe");
    if (path.empty()) return;
    globals_.ApplicationPath = path;
    applicationPath_->setText(QString::fromStdString(path));
}

void TransferFrame::pickDocument() {
    const std::string filter = globals_.SaveFormat == 1 ? "Microsoft Excel(*.x*)|*.x*" : csvFilter_;
    const std::string path = fileDialog_->chooseDocument(filter, documentText());
    if (path.empty()) return;
    globals_.ApplicationDocument = path;
    documentEntry_->setText(QString::fromStdString(path));
}

void TransferFrame::modeInfo() {
    ModeWindow::showNew(services_, pos());
    close();
    closeCompanions();
}

void TransferFrame::exitWindow() {
    close();
    closeCompanions();
}

void TransferFrame::closeEvent(QCloseEvent* event) {
    // The closing step never cancels the close.
    event->accept();
    if (closed_) return;
    closed_ = true;
    closingStep();
    if (busy()) {
        // Deleted once the transfer code has returned (leaveBusy).
        setAttribute(Qt::WA_DeleteOnClose, false);
        deleteWhenIdle_ = true;
    }
}

void TransferFrame::closingStep() {
    if (transferRunning()) stopTransfer();
    closeFilesOnClose();
    try {
        writeEnvironment(globals_);
    } catch (const std::exception& e) {
        services_.host.messageBox("The settings could not be saved to the file " +
                                      globals_.EnvFilePath + ".\n" + e.what(),
                                  kAppTitle);
    }
}

void TransferFrame::leaveBusy() {
    if (--busy_ == 0 && deleteWhenIdle_) {
        deleteWhenIdle_ = false;
        deleteLater();
    }
}

void TransferFrame::setFocusChain(std::initializer_list<QWidget*> chain) {
    QWidget* previous = nullptr;
    for (QWidget* w : chain) {
        if (previous) setTabOrder(previous, w);
        previous = w;
    }
}

void TransferFrame::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        showHelp(services_);
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tz
