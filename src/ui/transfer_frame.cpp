#include "ui/transfer_frame.h"

#include "app/startup.h"
#include "platform/qt/port_names.h"
#include "ui/layout.h"
#include "ui/pictures.h"
#include "ui/ports_dialog.h"
#include "ui/tide01.h"

#include <QCloseEvent>
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
    comm1_ = services_.makeSerial();
    shell_ = services_.makeShell();
    sheetLink_ = services_.makeSheetLink();
    documentLink_ = std::make_unique<DocumentLink>(globals_, services_.host, *shell_, *sheetLink_);
    commonDialog1_ = services_.makeFileDialog(this);
    buildFrame(look);
    // The window opens where the mode selection window stood.
    move(at);
}

TransferFrame::~TransferFrame() = default;

int TransferFrame::portIndex() const {
    return combo2_->currentIndex();
}

std::string TransferFrame::documentText() const {
    return text3_->text().toStdString();
}

void TransferFrame::showStatus1(const std::string& text) {
    label4_->setText(QString::fromStdString(text));
}

void TransferFrame::showStatus2(const std::string& text) {
    label5_->setText(QString::fromStdString(text));
}

WindowHandle TransferFrame::handle() const {
    return static_cast<WindowHandle>(winId());
}

void TransferFrame::buildFrame(const Look& look) {
    setObjectName(look.name);
    setWindowTitle("TIDEWELL-Z  (F1:HELP)");
    setWindowIcon(pictures::windowIcon());
    setFont(look.windowFont);
    setFixedSize(px(7860), px(2835));

    const QFont small = layoutFont("Arial", 8.25);
    const QFont smallBold = layoutFont("Arial", 8.25, true);
    const QFont nineBold = layoutFont("Arial", 9, true);

    ssFrame2_ = frame(this, "SSFrame2", "RS-232 Port", 120, 120, 1215, 1455, small);
    combo2_ = place(new PortComboBox(services_.listPorts, ssFrame2_), "Combo2", 120, 240, 975, 345);
    combo2_->setFont(nineBold);
    combo2_->setEditable(false);
    // Below the list, in the frame's free space; out of the keyboard order
    // of the classic controls.
    portsButton_ = button(ssFrame2_, "PortsButton", "Ports\u2026", 120, 1020, 975, 315, small);
    portsButton_->setFocusPolicy(Qt::NoFocus);
    portsButton_->setToolTip("Assign a serial port of this machine to COM1 to COM9");

    ssFrame5_ =
        frame(this, "SSFrame5", "Status", 5640, 1680, 2055, 975, layoutFont("Arial", 9.75, true));
    label4_ = statusLine(ssFrame5_, "Label4", look.statusTop, look.statusHeight, look.statusFont);
    label5_ = statusLine(ssFrame5_, "Label5", 600, look.statusHeight, look.statusFont);

    const QFont startFont = layoutFont("Arial", 9.75, true);
    ssCommand3_ = button(this, "SSCommand3", "Start Transfer!", 5640, 1680, 2055, 975, startFont);
    ssCommand5_ = button(this, "SSCommand5", "Exit", 120, 2280, 1215, 375, look.exitFont);

    // The link endpoint of the classic window; kept for its name, never shown.
    text1_ = place(new QLineEdit(this), "Text1", look.text1Left, 1440, 1335, 264);
    text1_->setFont(layoutFont("Arial", 9));
    text1_->hide();

    ssCommand6_ = button(this, "SSCommand6", "Stop Xfer", 120, 2280, 1215, 375, startFont);
    ssCommand4_ = button(this, "SSCommand4", "Mode/Info", 120, 1800, 1215, 375, smallBold);

    ssFrame3_ = frame(this, "SSFrame3", "Application document", 1560, 840, 6135, 615, smallBold);
    text3_ = place(new QLineEdit(ssFrame3_), "Text3", 120, 240, 5175, look.text3Height);
    text3_->setFont(nineBold);
    setTextColor(text3_, kDarkBlue);
    ssCommand2_ = button(ssFrame3_, "SSCommand2", "", 5400, 120, 615, 450, look.windowFont);

    ssFrame1_ = frame(this, "SSFrame1", "Application path", 1560, 120, 6135, 615, smallBold);
    label1_ = place(new QLabel(ssFrame1_), "Label1", 120, 280, look.label1Width, 255);
    label1_->setTextFormat(Qt::PlainText);
    label1_->setFont(nineBold);
    setTextColor(label1_, kDarkBlue);
    ssCommand1_ = button(ssFrame1_, "SSCommand1", "", 5400, 120, 615, 450, look.windowFont);

    for (QPushButton* picker : {ssCommand1_, ssCommand2_}) {
        picker->setIcon(pictures::openFolder());
        picker->setIconSize(QSize(24, 20));
        picker->raise(); // above a long path label that runs under it
    }
    for (QLabel* lb : {label1_, label4_, label5_})
        lb->setFocusPolicy(Qt::NoFocus);

    connect(ssCommand1_, &QPushButton::clicked, this, &TransferFrame::pickApplication);
    connect(ssCommand2_, &QPushButton::clicked, this, &TransferFrame::pickDocument);
    connect(ssCommand3_, &QPushButton::clicked, this,
            [this] { runAsTransferCode([this] { startTransfer(); }); });
    connect(ssCommand4_, &QPushButton::clicked, this, &TransferFrame::modeInfo);
    connect(ssCommand5_, &QPushButton::clicked, this, &TransferFrame::exitWindow);
    connect(ssCommand6_, &QPushButton::clicked, this, [this] { stopTransfer(); });
    connect(portsButton_, &QPushButton::clicked, this, [this] { showPortsDialog(); });
}

PortsDialog* TransferFrame::showPortsDialog() {
    auto* dialog = new PortsDialog(services_.listPorts, portLinkFolder(), portIndex() + 1, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this] {
        if (auto* ports = qobject_cast<PortComboBox*>(combo2_)) ports->refreshDescriptions();
    });
    dialog->open();
    return dialog;
}

void TransferFrame::showApplicationPath() {
    label1_->setText(QString::fromStdString(globals_.ApplicationPath));
}

void TransferFrame::fillPortList() {
    combo2_->clear();
    for (int n = 1; n <= 9; ++n)
        combo2_->addItem(QStringLiteral("COM%1").arg(n));
    if (auto* ports = qobject_cast<PortComboBox*>(combo2_)) ports->refreshDescriptions();
    // A port number the list cannot show (0, or a hand-edited file) leaves
    // no port selected; the port opening then reports it.
    const int index = globals_.PortNo - 1;
    combo2_->setCurrentIndex(index >= 0 && index < 9 ? index : -1);
}

void TransferFrame::showDefaultDocument() {
    const char* name = globals_.SaveFormat == 1 ? "Tidewell.xls" : "Tidewell.csv";
    // An installed program cannot write beside itself: its default document
    // goes to the user's documents instead.
    const std::string& folder =
        globals_.DocumentFolder.empty() ? globals_.ProgramFolder : globals_.DocumentFolder;
    text3_->setText(QString::fromStdString(joinProgramFolder(folder, name)));
}

void TransferFrame::setIdleState() {
    ssFrame5_->setVisible(false);
    ssCommand3_->setVisible(true);
    ssCommand3_->setEnabled(true);
    ssCommand6_->setVisible(false);
    ssCommand5_->setVisible(true);
    ssFrame2_->setEnabled(true);
    ssFrame4_->setEnabled(true);
    ssCommand1_->setEnabled(true);
    ssCommand2_->setEnabled(true);
    ssCommand4_->setEnabled(true);
    text3_->setEnabled(true);
}

void TransferFrame::setTransferringState() {
    ssFrame5_->setVisible(true);
    ssCommand3_->setVisible(false);
    ssCommand3_->setEnabled(false);
    ssCommand6_->setVisible(true);
    ssCommand5_->setVisible(false);
    ssFrame2_->setEnabled(false);
    ssFrame4_->setEnabled(false);
    ssCommand1_->setEnabled(false);
    ssCommand2_->setEnabled(false);
    ssCommand4_->setEnabled(false);
    text3_->setEnabled(false);
}

void TransferFrame::pickApplication() {
    const std::string path = commonDialog1_->open("EXE File(*.exe)|*.exe");
    if (path.empty()) return;
    globals_.ApplicationPath = path;
    label1_->setText(QString::fromStdString(path));
}

void TransferFrame::pickDocument() {
    const std::string filter = globals_.SaveFormat == 1 ? "Microsoft Excel(*.x*)|*.x*" : csvFilter_;
    const std::string path = commonDialog1_->open(filter);
    if (path.empty()) return;
    globals_.ApplicationDocument = path;
    text3_->setText(QString::fromStdString(path));
}

void TransferFrame::modeInfo() {
    Tide01::showNew(services_, pos());
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
