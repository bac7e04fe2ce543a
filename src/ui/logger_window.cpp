#include "ui/logger_window.h"

#include "app/settings_folder.h"
#include "logger/logger_progress.h"
#include "ui/layout.h"
#include "ui/progress_strip.h"

#include <QPushButton>

#include <tuple>

namespace tz {

using namespace layout;

namespace {

struct BoxPlace {
    int index, left, top, width;
    const char* caption;
};

// Two rows of ten. The first five boxes of each row draw their square at
// the right end of their area (captions stand left of it), the last five at
// the left end, so each row shows its first and last number at its outer
// ends.
constexpr BoxPlace kBoxes[] = {
    {1, 360, 360, 375, "1"},    {2, 720, 360, 255, ""},     {3, 960, 360, 255, ""},
    {4, 1200, 360, 255, ""},    {5, 1440, 360, 255, ""},    {6, 1920, 360, 255, ""},
    {7, 2160, 360, 255, ""},    {8, 2400, 360, 255, ""},    {9, 2640, 360, 255, ""},
    {10, 2880, 360, 615, "10"}, {11, 240, 600, 495, "11"},  {12, 720, 600, 255, ""},
    {13, 960, 600, 255, ""},    {14, 1200, 600, 255, ""},   {15, 1440, 600, 255, ""},
    {16, 1920, 600, 255, ""},   {17, 2160, 600, 255, ""},   {18, 2400, 600, 255, ""},
    {19, 2640, 600, 255, ""},   {20, 2880, 600, 495, "20"},
};

bool squareAtRightEnd(int index) {
    return (index - 1) % 10 < 5;
}

} // namespace

LoggerWindow::LoggerWindow(UiServices& services, QPoint at)
    : TransferFrame(services, at,
                    Look{"Tide03", layoutFont("Arial", 9), layoutFont("Arial", 9), 280, 255,
                         layoutFont("Arial", 11.25, true), 4080, 270, 5775, "CSV(*.csv)|*.CSV"}) {
    buildPanel();
    showApplicationPath();
    fillPortList();
    showDefaultDocument();
    transfer_ =
        std::make_unique<LoggerTransfer>(services_.host, *serial_, *this, *documentLink_, stop_);
    setIdleState();
    // The keyboard starts at the port list, the first usable control.
    portList_->setFocus();
}

LoggerWindow::~LoggerWindow() {
    transfer_.reset();
}

void LoggerWindow::buildPanel() {
    modePanel_ = place(new QGroupBox("Logger Data", this), "SSFrame4", 1560, 1680, 3735, 975);
    modePanel_->setFont(layoutFont("Arial", 8.25, true));
    const QFont boxFont = layoutFont("Arial", 8.25);
    for (const BoxPlace& b : kBoxes) {
        const QByteArray name = "SSCheck1_" + QByteArray::number(b.index);
        auto* box = place(new QCheckBox(QString::fromLatin1(b.caption), modePanel_),
                          name.constData(), b.left, b.top, b.width, 255);
        box->setFont(boxFont);
        if (squareAtRightEnd(b.index)) box->setLayoutDirection(Qt::RightToLeft);
        setBoxes_[b.index] = box;
    }

    setFocusChain({stopButton_, portList_, applicationPicker_, documentEntry_, documentPicker_});
    QWidget* previous = documentPicker_;
    for (int n = 1; n <= 20; ++n) {
        setTabOrder(previous, setBoxes_[n]);
        previous = setBoxes_[n];
    }
    setFocusChain({previous, startButton_, modeInfoButton_, exitButton_});

    // Ticking every set, or none, in one click; in the strip, outside the
    // laid-out panel, and live only while the boxes are.
    for (const auto& [name, caption, ticked] :
         {std::tuple{"allSets", "All", true}, std::tuple{"noSets", "None", false}}) {
        auto* button = new QPushButton(caption);
        button->setObjectName(name);
        button->setAutoDefault(false);
        // Outside the laid-out keyboard order, as the strip's lines are.
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip(ticked ? "Tick all twenty sets" : "Clear every set");
        connect(button, &QPushButton::clicked, this, [this, tick = ticked] {
            for (int n = 1; n <= 20; ++n)
                setBoxes_[n]->setChecked(tick);
        });
        progress_->addButton(button);
        setButtons_.push_back(button);
    }
}

void LoggerWindow::enterIdle() {
    setIdleState();
    for (QPushButton* b : setButtons_)
        b->setEnabled(true);
}

void LoggerWindow::enterTransferring() {
    setTransferringState();
    for (QPushButton* b : setButtons_)
        b->setEnabled(false);
}

void LoggerWindow::loggerProgress(const LoggerProgress& progress) {
    progress_->setProgress(QString::fromStdString(progressLine(progress)));
    progress_->setShare(progressShare(progress));
}

void LoggerWindow::loggerResult(const std::string& line) {
    progress_->setResult(withPreviousCopy(QString::fromStdString(line)));
}

LoggerRequest LoggerWindow::request() const {
    auto r = frameRequest<LoggerRequest>();
    for (int n = 1; n <= 20; ++n)
        r.ticked[n] = setBoxes_[n]->isChecked();
    r.workFolder = settingsFolder(globals_);
    return r;
}

} // namespace tz
