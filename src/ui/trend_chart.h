#pragma once
// The trend beside the data monitor grid: the polled values against time,
// titled with the parameter and the unit the replies give, with the run's
// last, lowest, highest and mean value. Every value is kept (see Trend);
// what is drawn is reduced to two points per pixel column, so a run of
// hours redraws as fast as a run of minutes.
#include "online/trend.h"

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace tz {

class TrendChart : public QWidget {
    Q_OBJECT
  public:
    explicit TrendChart(QWidget* parent = nullptr);

    // A new run of `parameter`: the old one is forgotten.
    void startRun(const QString& parameter);
    // One poll: its time as clockNow (seconds since the start of day 0,
    // local), the value cell and the reply the value was sliced from.
    void addPoll(double at, const std::string& value, const std::string& reply);

    // Redraw now rather than at the next turn of the event loop.
    void refresh();

    const Trend& trend() const { return trend_; }
    QString title() const;
    QString statsText() const;
    // Line segments and single points drawn at the last refresh.
    int segmentsDrawn() const { return segments_; }
    int pointsDrawn() const { return points_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void scheduleRefresh();
    QLineSeries* line(std::size_t i);
    double toMs(double at) const { return at * 1000.0 + msOffset_; }

    Trend trend_;
    QString parameter_;
    QString unit_;
    double msOffset_ = 0; // clockNow seconds to milliseconds since the epoch

    QChart* chart_;
    QChartView* view_;
    QDateTimeAxis* x_;
    QValueAxis* y_;
    std::vector<QLineSeries*> lines_;
    QScatterSeries* dots_;
    QLabel* stats_;
    QTimer refreshTimer_;
    int segments_ = 0;
    int points_ = 0;
};

} // namespace tz
