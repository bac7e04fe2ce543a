#pragma once
// The data monitor window: the rows of an on-line CSV transfer, live.
#include <QLabel>
#include <QWidget>

namespace tz {

class MonitorGrid;

class MonitorWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MonitorWindow(QWidget* parent = nullptr);

    MonitorGrid& grid() { return *grid_; }

    // While the on-line window lives, closing this window only hides it, so
    // that a running transfer still has its grid to write to. Once the
    // on-line window is gone, the next close deletes it.
    void releaseWhenClosed();

  private:
    MonitorGrid* grid_;
    QLabel* caption_;
};

} // namespace tz
