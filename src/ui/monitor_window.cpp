#include "ui/monitor_window.h"

#include "ui/layout.h"
#include "ui/monitor_grid.h"
#include "ui/trend_chart.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>

#include <algorithm>

namespace tz {

using namespace layout;

namespace {
constexpr int kTrendWidth = 460; // pixels beside the grid when the window opens
} // namespace

QRect placedOnScreen(QRect wanted, const QRect& available) {
    if (available.isEmpty()) return wanted;
    wanted.setWidth(std::min(wanted.width(), available.width()));
    wanted.setHeight(std::min(wanted.height(), available.height()));
    wanted.moveLeft(std::clamp(wanted.left(), available.left(),
                               available.left() + available.width() - wanted.width()));
    wanted.moveTop(std::clamp(wanted.top(), available.top(),
                              available.top() + available.height() - wanted.height()));
    return wanted;
}

QRect placedClearOf(QRect wanted, const QRect& kept, const QRect& available) {
    const QRect fitted = placedOnScreen(wanted, available);
    if (kept.isEmpty() || !fitted.intersects(kept)) return fitted;
    QRect above = fitted, below = fitted, right = fitted, left = fitted;
    above.moveBottom(kept.top() - 1);
    below.moveTop(kept.bottom() + 1);
    right.moveLeft(kept.right() + 1);
    left.moveRight(kept.left() - 1);
    QRect best = fitted;
    int bestDistance = -1;
    for (const QRect& r : {above, below, right, left}) {
        if (!available.isEmpty() && !available.contains(r)) continue;
        const int distance = (r.topLeft() - fitted.topLeft()).manhattanLength();
        if (bestDistance < 0 || distance < bestDistance) {
            best = r;
            bestDistance = distance;
        }
    }
    return best;
}

MonitorWindow::MonitorWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Tide04");
    setWindowTitle("Data Monitor For CSVFile");
    setFont(layoutFont("Arial", 9));
    // The grid's own area is the smallest the window gets; the trend takes
    // the width beyond it, and a taller window lengthens the grid.
    setMinimumSize(px(3180), px(4845));
    resize(px(3180) + kTrendWidth, px(4845));
    move(px(10305), px(3360));

    grid_ = place(new MonitorGrid(this), "CSVGrid", 120, 360, 2895, 4335);
    grid_->setFont(layoutFont("Arial", 11.25));
    grid_->setRows(2);
    grid_->setCols(2);
    const QFontMetrics fm(grid_->font());
    grid_->verticalHeader()->setMinimumSectionSize(1);
    grid_->verticalHeader()->setDefaultSectionSize(fm.height() + 4);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setFixedHeight(fm.height() + 6);
    // Wide enough for a time of day and for a nine-character value.
    grid_->horizontalHeader()->setDefaultSectionSize(
        MonitorGrid::timeColumnWidth(fm, QLocale::system()));
    grid_->setColumnWidth(1, fm.horizontalAdvance("-0000.000") + 14);

    caption_ = place(new QLabel("Data Monitor (Only CSV)", this), "Label6", 240, 120, 2775, 255);
    caption_->setTextFormat(Qt::PlainText);
    caption_->setFont(layoutFont("Arial", 9.75, true));

    trend_ = new TrendChart(this);
    trend_->setFont(layoutFont("Arial", 9));
}

void MonitorWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect g = layout::rect(120, 360, 2895, 4335);
    const int margin = px(4845) - (g.top() + g.height());
    grid_->setGeometry(g.left(), g.top(), g.width(),
                       std::max(g.height(), height() - margin - g.top()));
    const int left = px(3180);
    trend_->setGeometry(left, px(120), std::max(0, width() - left - px(120)),
                        std::max(0, height() - px(120) - px(150)));
    trend_->setVisible(trend_->width() > 40);
}

void MonitorWindow::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        // The screen the laid-out place lies on, else the window's own.
        const QScreen* on = QGuiApplication::screenAt(pos());
        if (!on) on = screen();
        if (on) {
            const QRect area = on->availableGeometry();
            // The frame around the client area counts too.
            const QMargins frame(0, 0, frameGeometry().width() - width(),
                                 frameGeometry().height() - height());
            const QRect kept =
                keptClear_ && keptClear_->isVisible() ? keptClear_->frameGeometry() : QRect();
            const QRect fitted = placedClearOf(geometry() + frame, kept, area) - frame;
            if (fitted.size() != size()) resize(fitted.size().expandedTo(minimumSize()));
            if (fitted.topLeft() != pos()) move(fitted.topLeft());
        }
    }
    QWidget::showEvent(event);
}

void MonitorWindow::releaseWhenClosed() {
    if (isVisible())
        setAttribute(Qt::WA_DeleteOnClose);
    else
        deleteLater();
}

} // namespace tz
