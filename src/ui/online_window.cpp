#include "ui/online_window.h"

#include "logger/logger_progress.h"
#include "online/csv_sink.h"
#include "online/interval_entry.h"
#include "online/workbook_sink.h"
#include "publish/broker_sink.h"
#include "ui/broker_dialog.h"
#ifdef TZ_HAVE_MQTT
#include "backends/mosquitto/mosquitto_client.h"
#endif
#include "ui/layout.h"
#include "ui/monitor_sink.h"
#include "ui/monitor_window.h"
#include "ui/progress_strip.h"
#include "ui/run_options.h"

#include <QTime>

#include <algorithm>
#include <cmath>

namespace tz {

using namespace layout;

namespace {

const QFont& onlineWindowFont() {
    static const QFont f = layoutFont("Arial", 9.75, true);
    return f;
}

// The poll timer as the transfer sees it; each shot runs as transfer code
// of the window, so that a close during a poll waits for the poll to end.
class WindowTimer : public Timer {
  public:
    WindowTimer(std::unique_ptr<Timer> inner, std::function<void(std::function<void()>)> runBusy)
        : inner_(std::move(inner)), runBusy_(std::move(runBusy)) {}
    void setCallback(std::function<void()> onTimeout) override {
        inner_->setCallback([this, cb = std::move(onTimeout)] {
            if (cb) runBusy_(cb);
        });
    }
    void startIn(double seconds) override { inner_->startIn(seconds); }
    void stop() override { inner_->stop(); }

  private:
    std::unique_ptr<Timer> inner_;
    std::function<void(std::function<void()>)> runBusy_;
};

// The masked interval entry: a click into the empty field puts the cursor
// at its first place, not where the mouse landed, so that typing hhmmss
// fills the field from the left.
class IntervalLineEdit : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        QLineEdit::mousePressEvent(event);
        toStartWhenEmpty();
    }
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        toStartWhenEmpty();
    }

  private:
    void toStartWhenEmpty() {
        // text() leaves out the unfilled places and keeps the colons.
        if (text().remove(QLatin1Char(':')).trimmed().isEmpty()) setCursorPosition(0);
    }
};

} // namespace

OnlineWindow::OnlineWindow(UiServices& services, QPoint at)
    : TransferFrame(services, at,
                    Look{"Tide02", onlineWindowFont(), layoutFont("Arial", 9.75), 285, 270,
                         onlineWindowFont(), 4200, 255, 5295,
                         "CSV\xEF\xBC\x88*.csv\xEF\xBC\x89|*.CSV"}) {
    buildPanel();
    // The window's own choices, below the strip and so below every
    // specified control.
    runOptions_ = new RunOptions(this);
    runOptions_->setFont(layoutFont("Arial", 9));
    setFixedSize(width(), height() + RunOptions::kHeight);
    runOptions_->setGeometry(px(120), height() - RunOptions::kHeight, width() - 2 * px(120),
                             RunOptions::kHeight);
    pollTimer_ = std::make_unique<WindowTimer>(
        services_.makeTimer(), [this](std::function<void()> cb) { runAsTransferCode(cb); });
    // The monitor exists (hidden) from the start; a CSV run shows it.
    monitor_ = new MonitorWindow;
    monitor_->keepClearOf(this);

    showApplicationPath();
    fillPortList();
    buildParameterList();
    showDefaultDocument();
    transfer_ =
        std::make_unique<OnlineTransfer>(services_.host, *serial_, *this, *pollTimer_, stop_);
    setIdleState();
    // The keyboard starts at the port list, the first usable control.
    portList_->setFocus();
}

OnlineWindow::~OnlineWindow() {
    // Nothing may tick into a window that is going.
    pollTimer_->stop();
    transfer_.reset();
    if (monitor_) monitor_->releaseWhenClosed();
}

void OnlineWindow::buildPanel() {
    modePanel_ = place(new QGroupBox("On-line data", this), "SSFrame4", 1560, 1680, 3855, 975);
    modePanel_->setFont(layoutFont("Arial", 8.25, true));
    const QFont nine = layoutFont("Arial", 9);

    paramList_ = place(new QComboBox(modePanel_), "Combo1", 120, 540, 1995, 345);
    paramList_->setFont(layoutFont("Arial", 9, true));
    paramList_->setEditable(false);

    intervalEntry_ = place(new IntervalLineEdit(modePanel_), "txtTime", 2340, 540, 975, 315);
    intervalEntry_->setFont(layoutFont("Arial", 9.75));
    intervalEntry_->setInputMask("##:##:##;_");
    connect(intervalEntry_, &QLineEdit::textEdited, this, [this] { checkIntervalEntry(); });

    auto* label2 = place(new QLabel("Parameter", modePanel_), "Label2", 120, 300, 1155, 195);
    auto* label3 = place(new QLabel("Interval[h:m:s]", modePanel_), "Label3", 2220, 300, 1335, 255);
    for (QLabel* lb : {label2, label3}) {
        lb->setTextFormat(Qt::PlainText);
        lb->setFont(nine);
    }

    setFocusChain({portList_, applicationPicker_, documentEntry_, documentPicker_, paramList_,
                   intervalEntry_, startButton_, modeInfoButton_, exitButton_, stopButton_});

    brokerButton_ = new QPushButton("Broker\u2026");
    brokerButton_->setObjectName("BrokerButton");
    // Out of the keyboard order of the classic controls, as "Ports..." is.
    brokerButton_->setFocusPolicy(Qt::NoFocus);
    progress_->addButton(brokerButton_);
    brokerButton_->setToolTip("Also publish every row to an MQTT broker");
    connect(brokerButton_, &QPushButton::clicked, this, [this] { showBrokerDialog(); });
}

BrokerDialog* OnlineWindow::showBrokerDialog() {
    auto* dialog = new BrokerDialog(loadBrokerChoice(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [dialog] { saveBrokerChoice(dialog->choice()); });
    dialog->open();
    return dialog;
}

void OnlineWindow::buildParameterList() {
    commands_ = buildCommandTable(globals_.ParamName);
    paramList_->clear();
    for (const std::string& name : commands_.names)
        paramList_->addItem(QString::fromStdString(name));
    paramList_->setCurrentIndex(paramList_->count() > 0 ? 0 : -1);
}

void OnlineWindow::closeCompanions() {
    if (monitor_) monitor_->close();
}

int OnlineWindow::selectedParamIndex() const {
    return paramList_->currentIndex();
}

OnlineRequest OnlineWindow::request() const {
    auto r = frameRequest<OnlineRequest>();
    r.commands = commands_.commands;
    r.paramIndex = paramList_->currentIndex();
    r.paramText = paramList_->currentText().toStdString();
    r.intervalDigits = intervalDigits();
    r.keepPolling = runOptions_->keepPolling();
    r.timeForm = runOptions_->isoTime() ? TimeForm::IsoSeconds : TimeForm::SystemLong;
    // Where the rows go. A new output is one sink class and one line here.
    if (r.toWorkbook) {
        r.sinks.push_back(std::make_shared<WorkbookSink>(*documentLink_, r.documentPath, r.owner));
    } else {
        auto csv = std::make_shared<CsvDocumentSink>(r.documentPath);
        csv->onKept = [this](const std::string& copy) { previousCopy_ = copy; };
        r.sinks.push_back(std::move(csv));
        r.sinks.push_back(std::make_shared<MonitorSink>(monitor_.data()));
    }
    // Last: the record is written before a row leaves the machine.
    if (auto broker = brokerSink()) r.sinks.push_back(std::move(broker));
    return r;
}

void OnlineWindow::checkIntervalEntry() {
    const std::string digits = intervalDigits();
    const std::string marked = markFirstOutOfRange(digits);
    if (marked != digits) setIntervalDigits(marked);
}

std::string OnlineWindow::intervalDigits() const {
    // text() leaves out the unfilled positions, so only the colons remain
    // to be dropped.
    QString digits = intervalEntry_->text();
    digits.remove(QLatin1Char(':'));
    return digits.toStdString();
}

void OnlineWindow::setIntervalDigits(const std::string& digits) {
    // The mask steps over its own colons, so the digit text fills it in
    // order. setText puts the cursor at the end; the operator may be typing
    // in the middle, so the cursor goes back where it was.
    const int cursor = intervalEntry_->cursorPosition();
    intervalEntry_->setText(QString::fromStdString(digits));
    intervalEntry_->setCursorPosition(cursor);
}

void OnlineWindow::focusInterval() {
    intervalEntry_->setFocus(Qt::OtherFocusReason);
}

namespace {

QString rowsText(long long rows) {
    // The header row is no data row.
    const long long data = std::max(0LL, rows - 1);
    return QString::fromStdString(withThousands(data)) + (data == 1 ? " row" : " rows");
}

} // namespace

QString OnlineWindow::countText(long long rows) const {
    // A run that keeps polling counts its rows without a value too.
    if (!keepingOn_) return rowsText(rows);
    return rowsText(rows) + ", " +
           QString::fromStdString(withThousands(transfer_->rowsWithoutValue())) +
           " without a value";
}

void OnlineWindow::nextPollDue(long long rows, double at) {
    const double seconds = at - std::floor(at / 86400.0) * 86400.0;
    const QTime due = QTime::fromMSecsSinceStartOfDay(static_cast<int>(seconds * 1000) % 86400000);
    progress_->setProgress(countText(rows) + ", next poll " + due.toString("hh:mm:ss"));
}

void OnlineWindow::faultReported(const std::string& line) {
    // The latest loss or return stays in view until the next one, beside
    // what the broker said last.
    runResult_ = QString::fromStdString(line);
    showResult();
}

void OnlineWindow::enterTransferring() {
    previousCopy_.clear();
    keepingOn_ = runOptions_->keepPolling();
    runOptions_->setLocked(true);
    setTransferringState();
    // A run publishes where it was started to; the next one takes a change.
    brokerButton_->setEnabled(false);
    runResult_.clear();
    brokerNote_.clear();
}

void OnlineWindow::enterIdle() {
    setIdleState();
    runOptions_->setLocked(false);
    brokerButton_->setEnabled(true);
    const long long rows = transfer_ ? transfer_->rowCount() : 0;
    if (rows < 1) return;
    progress_->setProgress(countText(rows));
    runResult_ =
        withPreviousCopy(countText(rows) + " \u2192 " + QString::fromStdString(documentText()));
    showResult();
}

void OnlineWindow::showResult() {
    // The broker's last word stays beside the run's result: lost, back,
    // a refused login, messages it never got.
    QString line = runResult_;
    if (!brokerNote_.isEmpty()) line += (line.isEmpty() ? "" : "; ") + brokerNote_;
    progress_->setResult(line);
}

std::shared_ptr<RowSink> OnlineWindow::brokerSink() const {
    const BrokerChoice choice = loadBrokerChoice();
    if (!choice.publish) return nullptr;
    std::string why;
    const std::optional<BrokerAddress> address = parseBrokerUrl(choice.url, why);
    if (!address) return nullptr; // the dialog takes no such address
#ifdef TZ_HAVE_MQTT
    BrokerTarget target;
    target.url = *address;
    target.password = passwordOf(choice);
    QPointer<OnlineWindow> self(const_cast<OnlineWindow*>(this));
    return std::make_shared<BrokerSink>(services_.host, std::make_unique<MosquittoClient>(),
                                        services_.makeTimer(), target,
                                        [self](const std::string& note) {
                                            if (!self) return;
                                            self->brokerNote_ = QString::fromStdString(note);
                                            self->showResult();
                                        });
#else
    return nullptr;
#endif
}

} // namespace tz
