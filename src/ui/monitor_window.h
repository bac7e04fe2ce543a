#pragma once
// The data monitor window: the rows of an on-line CSV transfer, live, and
// their trend to the right of the grid.
#include <QLabel>
#include <QRect>
#include <QWidget>

namespace tz {

// `wanted` (a window's place and size) as it is when it lies within
// `available`, else narrowed to fit and moved inside it.
QRect placedOnScreen(QRect wanted, const QRect& available);

// As placedOnScreen, and clear of `kept` (the window the operator works in)
// when the screen has room for that above, below or beside it: of those
// places, the nearest to `wanted`. Without room it overlaps as placed.
QRect placedClearOf(QRect wanted, const QRect& kept, const QRect& available);

class MonitorGrid;
class TrendChart;

class MonitorWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MonitorWindow(QWidget* parent = nullptr);

    MonitorGrid& grid() { return *grid_; }
    TrendChart& trend() { return *trend_; }

    // While the on-line window lives, closing this window only hides it, so
    // that a running transfer still has its grid to write to. Once the
    // on-line window is gone, the next close deletes it.
    void releaseWhenClosed();

    // The window whose controls (the Status panel, "Stop Xfer") this one
    // must not cover when it first shows.
    void keepClearOf(const QWidget* window) { keptClear_ = window; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // The laid-out place is kept when the window fits on the screen there;
    // on a smaller screen the trend gives up width and the window moves in.
    void showEvent(QShowEvent* event) override;

  private:
    MonitorGrid* grid_;
    TrendChart* trend_;
    QLabel* caption_;
    bool placed_ = false;
    const QWidget* keptClear_ = nullptr;
};

} // namespace tz
