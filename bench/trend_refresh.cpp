// The data monitor's trend over a nine-hour on-line run at the shortest
// interval: does it keep every value, and how long does one refresh of the
// chart take with all of them? And the same for a run of a million values
// (about 23 days at 2 s), the most the trend keeps.
//
// Runs the real on-line transfer on the virtual clock (fake host, timer and
// serial line, the instrument model answering) until 16,200 rows are
// written, feeding the trend as the data monitor window does. Then, as a
// poll does, adds one value and draws the chart offscreen at the window's
// size, again and again, and prints the time of such a refresh (reduction,
// layout and painting): median, 95th percentile and max, for the whole run
// and for a view zoomed to ten minutes in its middle. The large run is fed
// to the chart directly, with a stretch of replies that were no number.
//
//   trend_refresh [--rows N] [--large N] [--refreshes N]
//                 (defaults 16200, 1000000 and 60)
#include "app/text.h"
#include "fake_host.h"
#include "fake_serial.h"
#include "fake_views.h"
#include "instrument.h"
#include "online/online_transfer.h"
#include "poll_request.h"
#include "scratch.h"
#include "ui/trend_chart.h"

#include <QApplication>
#include <QPixmap>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// The monitor's side of the view: rows go to the trend as in the window.
class TrendView : public tz::fake::FakeOnlineView {
  public:
    explicit TrendView(tz::TrendChart& chart) : chart_(chart) {}
    void rowWritten(double at, const std::string& value, const std::string& reply) override {
        chart_.addPoll(at, value, reply);
        ++rows;
    }
    long rows = 0;

  private:
    tz::TrendChart& chart_;
};

struct Figures {
    double median, p95, max;
};

// Each refresh follows one more poll, as in a running transfer.
Figures measure(tz::TrendChart& chart, int refreshes, double& at) {
    for (int i = 0; i < 3; ++i) { // the first drawing fills font and glyph caches
        chart.refresh();
        (void)chart.grab();
    }
    std::vector<double> times;
    for (int i = 0; i < refreshes; ++i) {
        at += 2;
        chart.addPoll(at, "+1234.500", "+1234.500 m3/h\r");
        const auto t = Clock::now();
        chart.refresh();
        const QPixmap drawn = chart.grab();
        times.push_back(msSince(t));
        if (drawn.isNull()) std::exit(1);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 95 / 100], times.back()};
}

// The whole run, then ten minutes in its middle; true when both hold the
// target.
bool report(tz::TrendChart& chart, const char* what, int refreshes, double& at) {
    bool ok = true;
    for (int zoomed = 0; zoomed < 2; ++zoomed) {
        chart.followNewest();
        if (zoomed) {
            const auto w = chart.timeWindow();
            const double middle = (w.from + w.to) / 2;
            chart.zoom(600 / (w.to - w.from), middle);
        }
        const Figures f = measure(chart, refreshes, at);
        std::printf("%s, %s: %zu values, %d points, %d lines drawn; refresh median %.2f ms, "
                    "p95 %.2f ms, max %.2f ms\n",
                    what, zoomed ? "zoomed to 10 min" : "whole run", chart.trend().samples().size(),
                    chart.pointsDrawn(), chart.segmentsDrawn(), f.median, f.p95, f.max);
        ok = ok && f.p95 < 16.0;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    long wantRows = 16200;
    long large = 1000000;
    int refreshes = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--rows")) wantRows = std::atol(argv[i + 1]);
        if (!std::strcmp(argv[i], "--large")) large = std::atol(argv[i + 1]);
        if (!std::strcmp(argv[i], "--refreshes")) refreshes = std::atoi(argv[i + 1]);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const tz::test::TempDir dir("tz-trend-bench", true);

    tz::TrendChart chart;
    chart.resize(440, 300); // the trend's part of the data monitor window
    chart.show();

    tz::fake::FakeHost host(20000, 6 * 3600.0);
    tz::fake::FakeTimer timer(host);
    tz::fake::FakeSerial serial(host);
    TrendView view(chart);
    view.params = {"Flow rate"};
    view.document = dir.file("Tidewell.csv");
    view.digits = "000002";
    tz::StopFlag stop;
    tz::sim::Instrument model;
    serial.onOutput = [&](const std::string& sent) {
        double t = host.now();
        for (const auto& p : model.feed(tz::text::toLatin1(sent))) {
            t += p.delay;
            serial.arriveAt(t, tz::text::fromLatin1(p.bytes));
        }
    };
    tz::OnlineTransfer transfer(host, serial, view, timer, stop);
    const tz::OnlineRequest request = tz::fake::csvPolling(view.document, "Flow rate");

    chart.startRun("Flow rate");
    const auto runStart = Clock::now();
    const double t0 = host.now();
    transfer.start(request);
    while (view.rows < wantRows && transfer.running())
        host.runUntil(host.now() + 60);
    transfer.stopXfer();
    const double runMs = msSince(runStart);

    long csvRows = -1;
    {
        std::ifstream in(view.document, std::ios::binary);
        std::string line;
        while (std::getline(in, line))
            ++csvRows;
    }
    const std::size_t kept = chart.trend().samples().size();
    std::printf("virtual run: %.2f h, %ld rows written, %ld CSV data rows, %zu values kept "
                "(%zu numbers), %.0f ms of real time\n",
                (host.now() - t0) / 3600.0, view.rows, csvRows, kept, chart.trend().stats().values,
                runMs);

    const bool allKept =
        view.rows >= wantRows && static_cast<long>(kept) == view.rows && csvRows == view.rows;
    double at = host.now();
    bool fast = report(chart, "nine-hour run", refreshes, at);

    // The large run: a slow wave with a ripple, and an hour of garbled
    // replies a third of the way in.
    chart.startRun("Flow rate");
    at = 20000 * 86400.0;
    for (long i = 0; i < large; ++i) {
        char value[16];
        std::snprintf(value, sizeof value, "%+09.3f",
                      1234.5 + 150 * std::sin(i * 0.0004) + 5 * std::sin(i * 0.9));
        const bool garbled = i >= large / 3 && i < large / 3 + 1800;
        chart.addPoll(at, garbled ? "ERR" : value, "");
        at += 2;
    }
    const auto r = Clock::now();
    const auto& all = chart.trend().samples();
    const auto pts = chart.trend().decimate(all.front().t, all.back().t, 400);
    std::printf("reduction of %zu values to %zu points alone: %.2f ms\n", all.size(), pts.size(),
                msSince(r));
    fast = report(chart, "large run", refreshes, at) && fast;

    const bool ok = allKept && fast;
    // The maximum is printed as it is, but a shared machine's late wake-up
    // is no fault of the drawing: the target is held by the 95th percentile.
    std::printf("%s\n", ok ? "OK: every value kept, refreshes under 16 ms (p95)"
                           : "NOT MET: see the figures above");
    return ok ? 0 : 1;
}
