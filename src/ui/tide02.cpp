#include "ui/tide02.h"

#include "online/command_table.h"
#include "ui/layout.h"
#include "ui/monitor_grid.h"
#include "ui/tide04.h"

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
    bool active() const override { return inner_->active(); }

  private:
    std::unique_ptr<Timer> inner_;
    std::function<void(std::function<void()>)> runBusy_;
};

} // namespace

Tide02::Tide02(UiServices& services, QPoint at)
    : TransferFrame(services, at,
                    Look{"Tide02", onlineWindowFont(), layoutFont("Arial", 9.75), 285, 270,
                         onlineWindowFont(), 4200, 255, 5295,
                         "CSV\xEF\xBC\x88*.csv\xEF\xBC\x89|*.CSV"}) {
    buildPanel();
    timer1_ = std::make_unique<WindowTimer>(
        services_.makeTimer(), [this](std::function<void()> cb) { runAsTransferCode(cb); });
    // The monitor exists (hidden) from the start, so the transfer always has
    // its grid.
    monitor_ = new Tide04;

    showApplicationPath();
    fillPortList();
    buildParameterList();
    showDefaultDocument();
    transfer_ = std::make_unique<OnlineTransfer>(globals_, services_.host, *comm1_, *this, *timer1_,
                                                 *documentLink_);
    setIdleState();
    // The keyboard starts at the port list, the first usable control.
    combo2_->setFocus();
}

Tide02::~Tide02() {
    // Nothing may tick into a window that is going.
    timer1_->stop();
    transfer_.reset();
    if (monitor_) monitor_->releaseWhenClosed();
}

void Tide02::buildPanel() {
    ssFrame4_ = place(new QGroupBox("On-line data", this), "SSFrame4", 1560, 1680, 3855, 975);
    ssFrame4_->setFont(layoutFont("Arial", 8.25, true));
    const QFont nine = layoutFont("Arial", 9);

    combo1_ = place(new QComboBox(ssFrame4_), "Combo1", 120, 540, 1995, 345);
    combo1_->setFont(layoutFont("Arial", 9, true));
    combo1_->setEditable(false);

    txtTime_ = place(new QLineEdit(ssFrame4_), "txtTime", 2340, 540, 975, 315);
    txtTime_->setFont(layoutFont("Arial", 9.75));
    txtTime_->setInputMask("##:##:##;_");
    connect(txtTime_, &QLineEdit::textEdited, this, [this] { transfer_->checkEntry(); });

    auto* label2 = place(new QLabel("Parameter", ssFrame4_), "Label2", 120, 300, 1155, 195);
    auto* label3 = place(new QLabel("Interval[h:m:s]", ssFrame4_), "Label3", 2220, 300, 1335, 255);
    for (QLabel* lb : {label2, label3}) {
        lb->setTextFormat(Qt::PlainText);
        lb->setFont(nine);
    }

    setFocusChain({combo2_, ssCommand1_, text3_, ssCommand2_, combo1_, txtTime_, ssCommand3_,
                   ssCommand4_, ssCommand5_, ssCommand6_});
}

void Tide02::buildParameterList() {
    combo1_->clear();
    for (const std::string& name : buildCommandTable(globals_))
        combo1_->addItem(QString::fromStdString(name));
    combo1_->setCurrentIndex(combo1_->count() > 0 ? 0 : -1);
}

void Tide02::closeCompanions() {
    if (monitor_) monitor_->close();
}

int Tide02::selectedParamIndex() const {
    return combo1_->currentIndex();
}

std::string Tide02::selectedParamText() const {
    return combo1_->currentText().toStdString();
}

std::string Tide02::intervalDigits() const {
    // text() leaves out the unfilled positions, so only the colons remain
    // to be dropped.
    QString digits = txtTime_->text();
    digits.remove(QLatin1Char(':'));
    return digits.toStdString();
}

void Tide02::setIntervalDigits(const std::string& digits) {
    // The mask steps over its own colons, so the digit text fills it in
    // order. setText puts the cursor at the end; the operator may be typing
    // in the middle, so the cursor goes back where it was.
    const int cursor = txtTime_->cursorPosition();
    txtTime_->setText(QString::fromStdString(digits));
    txtTime_->setCursorPosition(cursor);
}

void Tide02::focusInterval() {
    txtTime_->setFocus(Qt::OtherFocusReason);
}

void Tide02::showMonitor() {
    if (!monitor_) monitor_ = new Tide04;
    monitor_->show();
    monitor_->raise();
}

Grid& Tide02::monitorGrid() {
    if (!monitor_) monitor_ = new Tide04;
    return monitor_->grid();
}

} // namespace tz
