#include "ui/trend_chart.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace tz {

namespace {

// Beyond this many separate stretches (a reply garbled every other poll)
// the rest is drawn joined: a chart of hundreds of series redraws slowly,
// and the statistics still tell the gaps.
constexpr std::size_t kMostLines = 64;
const QColor kTrendColour{0, 0, 160};

QString number(double v) {
    return QString::number(v, 'g', 8);
}

} // namespace

TrendChart::TrendChart(QWidget* parent) : QWidget(parent) {
    setObjectName("Trend");
    chart_ = new QChart;
    chart_->legend()->hide();
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    x_ = new QDateTimeAxis;
    x_->setFormat("hh:mm:ss");
    x_->setTickCount(5);
    y_ = new QValueAxis;
    y_->setLabelFormat("%g");
    chart_->addAxis(x_, Qt::AlignBottom);
    chart_->addAxis(y_, Qt::AlignLeft);
    dots_ = new QScatterSeries;
    dots_->setMarkerSize(4);
    dots_->setColor(kTrendColour);
    dots_->setBorderColor(kTrendColour);
    chart_->addSeries(dots_);
    dots_->attachAxis(x_);
    dots_->attachAxis(y_);

    view_ = new QChartView(chart_, this);
    view_->setObjectName("TrendView");
    view_->setRenderHint(QPainter::Antialiasing, true);
    stats_ = new QLabel(this);
    stats_->setObjectName("TrendStats");
    stats_->setTextFormat(Qt::PlainText);
    stats_->setWordWrap(false);

    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(0);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { refresh(); });
    startRun(QString());
}

void TrendChart::startRun(const QString& parameter) {
    trend_.clear();
    parameter_ = parameter.trimmed();
    unit_.clear();
    refresh();
}

void TrendChart::addPoll(double at, const std::string& value, const std::string& reply) {
    if (trend_.samples().empty()) {
        // The poll times are local days and seconds; the axis wants
        // milliseconds since the epoch. One conversion for the run keeps
        // every point cheap (a change to summer time shifts the later
        // points by the hour, as the grid's times do).
        const double day = std::floor(at / 86400.0);
        const QDateTime local(QDate(1970, 1, 1).addDays(static_cast<qint64>(day)),
                              QTime::fromMSecsSinceStartOfDay(
                                  static_cast<int>(std::lround((at - day * 86400.0) * 1000.0))));
        msOffset_ = static_cast<double>(local.toMSecsSinceEpoch()) - at * 1000.0;
    }
    trend_.add(at, readingNumber(value));
    const std::string unit = replyUnit(reply);
    if (!unit.empty()) unit_ = QString::fromStdString(unit);
    scheduleRefresh();
}

QString TrendChart::title() const {
    if (unit_.isEmpty()) return parameter_;
    return parameter_.isEmpty() ? unit_ : parameter_ + " [" + unit_ + "]";
}

QString TrendChart::statsText() const {
    const Trend::Stats& s = trend_.stats();
    if (s.polls == 0) return QString();
    const QString unit = unit_.isEmpty() ? QString() : " " + unit_;
    QString text;
    if (s.values > 0)
        text = QString("Last %1  Min %2  Max %3  Mean %4%5")
                   .arg(number(*s.last), number(*s.min), number(*s.max), number(*s.mean), unit);
    text += QString("%1%2 polls").arg(text.isEmpty() ? "" : "\n").arg(s.polls);
    if (s.values < s.polls) text += QString(", %1 not a number").arg(s.polls - s.values);
    return text;
}

QLineSeries* TrendChart::line(std::size_t i) {
    while (lines_.size() <= i) {
        auto* s = new QLineSeries;
        s->setPen(QPen(kTrendColour, 1.5));
        s->setUseOpenGL(false);
        chart_->addSeries(s);
        s->attachAxis(x_);
        s->attachAxis(y_);
        lines_.push_back(s);
    }
    return lines_[i];
}

void TrendChart::scheduleRefresh() {
    // Polls come seconds apart, but a resize or a burst of rows in a test
    // asks many times in one turn of the event loop: draw once.
    if (!refreshTimer_.isActive()) refreshTimer_.start();
}

void TrendChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Two lines of statistics at the foot; the chart takes the rest.
    const int statsHeight = 2 * stats_->fontMetrics().lineSpacing() + 2;
    stats_->setGeometry(4, std::max(0, height() - statsHeight), width() - 4, statsHeight);
    view_->setGeometry(0, 0, width(), std::max(0, height() - statsHeight - 2));
    scheduleRefresh();
}

void TrendChart::refresh() {
    refreshTimer_.stop();
    chart_->setTitle(title());
    stats_->setText(statsText());

    const std::vector<Trend::Sample>& all = trend_.samples();
    std::vector<Trend::Point> pts;
    if (!all.empty()) {
        const int columns = std::max(50, static_cast<int>(chart_->plotArea().width()));
        pts = trend_.decimate(all.front().t, all.back().t, columns);
    }

    QList<QList<QPointF>> runs;
    QList<QPointF> single;
    double lo = 0, hi = 0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const Trend::Point& p = pts[i];
        if (i == 0 || (p.breakBefore && runs.size() < static_cast<qsizetype>(kMostLines)))
            runs.append(QList<QPointF>());
        runs.back().append(QPointF(toMs(p.t), p.v));
        lo = i == 0 ? p.v : std::min(lo, p.v);
        hi = i == 0 ? p.v : std::max(hi, p.v);
    }
    std::size_t used = 0;
    for (QList<QPointF>& run : runs) {
        if (run.size() == 1)
            single.append(run.front());
        else
            line(used++)->replace(run);
    }
    for (std::size_t i = used; i < lines_.size(); ++i)
        if (lines_[i]->count() > 0) lines_[i]->clear();
    dots_->replace(single);
    segments_ = static_cast<int>(used);
    points_ = static_cast<int>(pts.size());

    if (!all.empty()) {
        double t0 = toMs(all.front().t), t1 = toMs(all.back().t);
        if (t1 - t0 < 1000) t1 = t0 + 1000;
        x_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(t0)),
                     QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(t1)));
    }
    if (!pts.empty()) {
        const double pad = hi > lo ? (hi - lo) * 0.05 : std::max(std::abs(hi) * 0.05, 1.0);
        y_->setRange(lo - pad, hi + pad);
        y_->applyNiceNumbers();
    }
    // The chart lays out its axes and labels on a posted event; a refresh
    // is only done, and only fully measured, once that has run.
    if (chart_->layout()) chart_->layout()->activate();
}

} // namespace tz
