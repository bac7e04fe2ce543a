#include "ui/progress_strip.h"

#include <algorithm>
#include <cmath>

namespace tz {

namespace {
constexpr int kBarWidth = 120;
constexpr int kLine = 18;
} // namespace

ProgressStrip::ProgressStrip(QWidget* parent) : QWidget(parent) {
    setObjectName("Progress");
    progress_ = new QLabel(this);
    progress_->setObjectName("ProgressText");
    bar_ = new QProgressBar(this);
    bar_->setObjectName("ProgressBar");
    bar_->setRange(0, 1000);
    bar_->setTextVisible(false); // the line beside it has the figures
    bar_->hide();
    result_ = new QLabel(this);
    result_->setObjectName("ResultText");
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    for (QLabel* l : {progress_, result_}) {
        l->setTextFormat(Qt::PlainText);
        // Never in the keyboard's way: the frame's focus order stays as laid out.
        l->setFocusPolicy(Qt::NoFocus);
        // A long document path must not widen the window.
        l->setMinimumWidth(0);
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
}

void ProgressStrip::startRun() {
    progress_->clear();
    result_->clear();
    result_->setToolTip(QString());
    bar_->hide();
    bar_->setValue(0);
}

void ProgressStrip::setProgress(const QString& text) {
    progress_->setText(text);
}

void ProgressStrip::setShare(double share) {
    if (share < 0 || std::isnan(share)) {
        bar_->hide();
        return;
    }
    bar_->setValue(static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * 1000)));
    bar_->show();
}

void ProgressStrip::setResult(const QString& text) {
    result_->setText(text);
    result_->setToolTip(text);
}

void ProgressStrip::addButton(QAbstractButton* button) {
    button->setParent(this);
    button->show();
    buttons_.push_back(button);
    resizeEvent(nullptr);
}

void ProgressStrip::resizeEvent(QResizeEvent* event) {
    if (event) QWidget::resizeEvent(event);
    const int w = width();
    progress_->setGeometry(0, 0, std::max(0, w - kBarWidth - 8), kLine);
    bar_->setGeometry(w - kBarWidth, 1, kBarWidth, kLine - 2);
    int right = w;
    for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) {
        const int bw = std::max((*it)->sizeHint().width(), 44);
        right -= bw;
        (*it)->setGeometry(right, kLine, bw, kHeight - kLine);
        right -= 4;
    }
    result_->setGeometry(0, kLine + 2, std::max(0, right - 4), kLine);
}

} // namespace tz
