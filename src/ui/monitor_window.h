#pragma once
// The data monitor window: the rows of an on-line CSV transfer, live, and
// their trend to the right of the grid.
#include <QLabel>
#include <QWidget>

namespace tz {

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

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    MonitorGrid* grid_;
    TrendChart* trend_;
    QLabel* caption_;
};

} // namespace tz
