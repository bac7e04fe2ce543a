#include "ui/trend_chart.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace tz {

namespace {

const QColor kTrendColour{0, 0, 160};
const QColor kGridColour{225, 225, 225};
const QColor kFrameColour{130, 130, 130};
constexpr int kPad = 4;
// The narrowest time window: two or three polls at the shortest interval.
constexpr double kLeastSpan = 4.0;
constexpr double kDay = 86400.0;

QString number(double v) {
    return QString::number(v, 'g', 8);
}

// 1, 2 or 5 times a power of ten, at least `raw`.
double roundStep(double raw) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double n = raw / magnitude;
    return (n <= 1 ? 1 : n <= 2 ? 2 : n <= 5 ? 5 : 10) * magnitude;
}

QString valueLabel(double v, double step) {
    if (std::abs(v) < step / 2) v = 0; // no "-0"
    if (std::abs(v) >= 1e9 || step < 1e-9) return QString::number(v, 'g', 6);
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 9);
    return QString::number(v, 'f', decimals);
}

// A poll time (seconds since the start of day 0, local) as the clock
// showed it; a midnight names its day, so that a run over midnight reads.
QString timeLabel(double t, bool seconds) {
    const double day = std::floor(t / kDay);
    const long long s = std::llround(t - day * kDay);
    if (s == 0 || s == 86400) {
        const QDate date = QDate(1970, 1, 1).addDays(static_cast<qint64>(day) + (s ? 1 : 0));
        return QLocale::c().toString(date, "d MMM");
    }
    if (!seconds) return QString::asprintf("%02lld:%02lld", s / 3600, s / 60 % 60);
    return QString::asprintf("%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
}

} // namespace

TrendChart::TrendChart(QWidget* parent) : QWidget(parent) {
    setObjectName("Trend");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setToolTip("Wheel: zoom the time axis; drag: move along it; double-click: follow the newest "
               "value; right-click: save or copy the picture");
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(0);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { refresh(); });
    startRun(QString());
}

void TrendChart::startRun(const QString& parameter) {
    trend_.clear();
    parameter_ = parameter.trimmed();
    unit_.clear();
    following_ = true;
    dragging_ = false;
    refresh();
}

void TrendChart::addPoll(double at, const std::string& value, const std::string& reply) {
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

double TrendChart::runFrom() const {
    return trend_.samples().empty() ? 0.0 : trend_.samples().front().t;
}

double TrendChart::runTo() const {
    return std::max(trend_.samples().empty() ? 0.0 : trend_.samples().back().t,
                    runFrom() + kLeastSpan);
}

TrendChart::TimeWindow TrendChart::timeWindow() const {
    return following_ ? TimeWindow{runFrom(), runTo()} : window_;
}

double TrendChart::timeAt(double x) const {
    const TimeWindow w = timeWindow();
    return w.from + (x - plot_.left()) / std::max(1, plot_.width()) * (w.to - w.from);
}

void TrendChart::followNewest() {
    following_ = true;
    refresh();
}

void TrendChart::zoom(double factor, double at) {
    if (trend_.samples().empty() || !(factor > 0)) return;
    const TimeWindow w = timeWindow();
    setWindow(at - (at - w.from) * factor, at + (w.to - at) * factor);
}

void TrendChart::pan(double seconds) {
    if (trend_.samples().empty()) return;
    const TimeWindow w = timeWindow();
    setWindow(w.from + seconds, w.to + seconds);
}

void TrendChart::setWindow(double from, double to) {
    // Within the run, and no narrower than a few polls.
    const double first = runFrom(), last = runTo();
    double span = std::clamp(to - from, kLeastSpan, last - first);
    if (to - from < span) from = (from + to - span) / 2;
    from = std::clamp(from, first, last - span);
    const TimeWindow chosen{from, from + span};
    // Moving a view of the whole run nowhere is no reason to stop following.
    if (following_ && chosen == timeWindow()) return;
    following_ = false;
    window_ = chosen;
    refresh();
}

void TrendChart::scheduleRefresh() {
    // Polls come seconds apart, but a resize or a burst of rows in a test
    // asks many times in one turn of the event loop: draw once.
    if (!refreshTimer_.isActive()) refreshTimer_.start();
}

void TrendChart::refresh() {
    refreshTimer_.stop();
    layOut();
    update();
}

void TrendChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    scheduleRefresh();
}

void TrendChart::layOut() {
    laidOutFor_ = size();
    const QFontMetrics fm(font());
    QFont bold = font();
    bold.setBold(true);
    const int top = kPad + QFontMetrics(bold).height() + kPad + fm.height() / 2;
    const int statsHeight = 2 * fm.lineSpacing() + kPad;
    const int plotHeight = std::max(1, height() - statsHeight - 2 * kPad - fm.height() - top);
    const int rightMargin = fm.horizontalAdvance("00:00:00") / 2 + kPad;

    const TimeWindow w = timeWindow();
    drawn_ = w;
    // The value labels' width is known only once the values are: reduce to
    // the columns of a plot with labels of a usual width; the few columns
    // more or less change nothing of what is seen.
    const int columns =
        std::max(1, width() - rightMargin - fm.horizontalAdvance("-0000.000") - 2 * kPad);
    const std::vector<Trend::Point> pts =
        trend_.decimate(w.from, w.to, columns, Trend::Reach::ToEdges);

    // The values drawn set the value axis; the points beyond the edges
    // only when nothing lies inside.
    double lo = 0, hi = 0;
    bool any = false;
    for (int pass = 0; pass < 2 && !any; ++pass)
        for (const Trend::Point& p : pts)
            if (pass == 1 || (p.t >= w.from && p.t <= w.to)) {
                lo = any ? std::min(lo, p.v) : p.v;
                hi = any ? std::max(hi, p.v) : p.v;
                any = true;
            }
    if (!any) lo = 0, hi = 1;
    // Garbage that reads as a huge number must not overflow the axis.
    lo = std::max(lo, -1e300);
    hi = std::min(hi, 1e300);
    const double pad = hi > lo ? (hi - lo) * 0.05 : (hi != 0 ? std::abs(hi) * 0.05 : 1.0);
    lo -= pad;
    hi += pad;
    const int mostValueTicks = std::max(2, plotHeight / (2 * fm.lineSpacing()));
    const double valueStep = roundStep((hi - lo) / mostValueTicks);
    const double yLo = std::floor(lo / valueStep) * valueStep;
    const double yHi = std::max(std::ceil(hi / valueStep) * valueStep, yLo + valueStep);
    valueTicks_.clear();
    int labelWidth = 0;
    for (int k = 0; k <= mostValueTicks + 2; ++k) {
        const double v = yLo + k * valueStep;
        if (v > yHi + valueStep / 2) break;
        valueTicks_.push_back({v, valueLabel(v, valueStep)});
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(valueTicks_.back().label));
    }

    const int left = labelWidth + 2 * kPad;
    plot_ = QRect(left, top, std::max(1, width() - left - rightMargin), plotHeight);

    // Round times, as many as fit without touching.
    static constexpr std::array<double, 22> kTimeSteps{
        1,    2,    5,    10,    15,    30,    60,   120,      300,      600,       900,
        1800, 3600, 7200, 10800, 21600, 43200, kDay, 2 * kDay, 7 * kDay, 14 * kDay, 28 * kDay};
    const double span = w.to - w.from;
    const int gap = fm.horizontalAdvance("  ");
    double timeStep = kTimeSteps.back();
    for (double step : kTimeSteps) {
        const int wide = fm.horizontalAdvance(step < 60 ? "00:00:00" : "00:00") + gap;
        if (span / step * wide <= plot_.width()) {
            timeStep = step;
            break;
        }
    }
    timeTicks_.clear();
    for (double t = std::ceil(w.from / timeStep) * timeStep; t <= w.to && timeTicks_.size() < 200;
         t += timeStep)
        timeTicks_.push_back({t, timeLabel(t, timeStep < 60)});

    // The points in pixels; a gap ends a line, and a value alone between
    // gaps is a dot.
    const QRectF area(plot_);
    const double xScale = area.width() / span;
    const double yScale = area.height() / (yHi - yLo);
    lines_.clear();
    dots_.clear();
    QPolygonF run;
    auto endRun = [&] {
        if (run.size() == 1) dots_.append(run.front());
        if (run.size() > 1) lines_.push_back(run);
        run.clear();
    };
    for (const Trend::Point& p : pts) {
        if (p.breakBefore) endRun();
        const double y = std::clamp(area.bottom() - (p.v - yLo) * yScale, -1e5, 1e5);
        run.append(QPointF(area.left() + (p.t - w.from) * xScale, y));
    }
    endRun();
    segments_ = static_cast<int>(lines_.size());
    points_ = static_cast<int>(pts.size());
}

void TrendChart::paintEvent(QPaintEvent*) {
    if (laidOutFor_ != size()) layOut();
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm(font());

    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    p.drawText(QRect(kPad, kPad, width() - 2 * kPad, QFontMetrics(bold).height()),
               Qt::AlignHCenter | Qt::AlignVCenter, title());
    p.setFont(font());

    const QRectF area(plot_);
    const double span = drawn_.to - drawn_.from;
    const double yLo = valueTicks_.empty() ? 0 : valueTicks_.front().at;
    const double yHi = valueTicks_.empty() ? 1 : valueTicks_.back().at;
    for (const Tick& tick : valueTicks_) {
        const double y = area.bottom() - (tick.at - yLo) / (yHi - yLo) * area.height();
        p.setPen(kGridColour);
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, y - fm.height() / 2.0, plot_.left() - kPad, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, tick.label);
    }
    for (const Tick& tick : timeTicks_) {
        const double x = area.left() + (tick.at - drawn_.from) / span * area.width();
        p.setPen(kGridColour);
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        p.setPen(Qt::black);
        const int wide = fm.horizontalAdvance(tick.label);
        const double left = std::clamp(x - wide / 2.0, 0.0, double(width() - wide));
        p.drawText(QRectF(left, plot_.bottom() + kPad, wide, fm.height()), Qt::AlignCenter,
                   tick.label);
    }
    p.setPen(kFrameColour);
    p.drawRect(plot_.adjusted(0, 0, -1, -1));

    p.save();
    p.setClipRect(plot_);
    p.setRenderHint(QPainter::Antialiasing, true);
    // A one-pixel pen: a wider one is stroked as a path, which takes a
    // hundred times as long for the zigzag of a noisy reduced run.
    QPen pen(kTrendColour, 1);
    pen.setCosmetic(true);
    p.setPen(pen);
    for (const QPolygonF& line : lines_)
        p.drawPolyline(line);
    p.setPen(Qt::NoPen);
    p.setBrush(kTrendColour);
    for (const QPointF& dot : dots_)
        p.drawEllipse(dot, 2.0, 2.0);
    p.restore();

    if (!following_) {
        // Say why the newest values do not come in, and how to have them.
        const QString hint = "zoomed \u2013 double-click follows";
        const int wide = fm.horizontalAdvance(hint) + 2 * kPad;
        const QRect box(plot_.right() - wide - 1, plot_.top() + 1, wide, fm.height() + 2);
        p.fillRect(box, QColor(255, 255, 255, 220));
        p.setPen(kFrameColour);
        p.drawText(box, Qt::AlignCenter, hint);
    }

    p.setPen(Qt::black);
    const int statsTop = plot_.bottom() + 2 * kPad + fm.height();
    p.drawText(QRect(kPad, statsTop, width() - 2 * kPad, height() - statsTop),
               Qt::AlignLeft | Qt::AlignTop, statsText());
}

} // namespace tz
