#pragma once
// The trend beside the data monitor grid: the polled values against time,
// titled with the parameter and the unit the replies give, with the run's
// last, lowest, highest and mean value. Every value is kept (see Trend);
// what is drawn is reduced to two points per pixel column, so a run of
// hours redraws as fast as a run of minutes.
//
// The operator can look closer: the wheel zooms the time axis around the
// pointer, dragging moves along it, and a double-click returns to the
// whole run following its newest value. While zoomed, new values do not
// move the view. The context menu saves the picture as PNG or copies it.
#include "online/trend.h"

#include <QImage>
#include <QPolygonF>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

namespace tz {

class TrendChart : public QWidget {
    Q_OBJECT
  public:
    explicit TrendChart(QWidget* parent = nullptr);

    // A new run of `parameter`: the old one is forgotten, and the view
    // follows the newest value again.
    void startRun(const QString& parameter);
    // One poll: its time as clockNow (seconds since the start of day 0,
    // local), the value cell and the reply the value was sliced from.
    void addPoll(double at, const std::string& value, const std::string& reply);

    // Lay out and redraw now rather than at the next turn of the event loop.
    void refresh();

    const Trend& trend() const { return trend_; }
    QString title() const;
    QString statsText() const;
    // Lines (stretches between gaps) and points drawn at the last refresh.
    int segmentsDrawn() const { return segments_; }
    int pointsDrawn() const { return points_; }

    // The stretch of time drawn, in poll times: the whole run while
    // following, else what the operator zoomed or moved to.
    struct TimeWindow {
        double from = 0, to = 0;
        bool operator==(const TimeWindow&) const = default;
    };
    TimeWindow timeWindow() const;
    bool following() const { return following_; }
    void followNewest();
    // Narrows (factor < 1) or widens the window around time `at`, which
    // stays where it is on the axis.
    void zoom(double factor, double at);
    // Moves the window by `seconds` (later for positive).
    void pan(double seconds);

    // Where the values are drawn, in the widget's coordinates.
    QRect plotArea() const { return plot_; }
    // The poll time under widget column x.
    double timeAt(double x) const;

    // The chart as it is drawn.
    QImage image();
    // Writes the picture as PNG; false with the reason in `error` when the
    // file cannot be written (an old file of that name stays as it was).
    bool saveImage(const QString& path, QString* error = nullptr);
    void copyImage();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    struct Tick {
        double at; // seconds, or the value
        QString label;
    };

    void scheduleRefresh();
    void layOut();
    void setWindow(double from, double to);
    void saveWithDialog();
    double runFrom() const;
    double runTo() const;

    Trend trend_;
    QString parameter_;
    QString unit_;

    bool following_ = true;
    TimeWindow window_; // while not following
    bool dragging_ = false;
    double dragX_ = 0;
    TimeWindow dragStart_;
    QString saveFolder_;

    // The drawing as laid out by the last refresh.
    QSize laidOutFor_;
    QRect plot_;
    TimeWindow drawn_;
    std::vector<Tick> timeTicks_, valueTicks_;
    std::vector<QPolygonF> lines_;
    QPolygonF dots_;
    QTimer refreshTimer_;
    int segments_ = 0;
    int points_ = 0;
};

} // namespace tz
