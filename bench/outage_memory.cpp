// A day without the instrument, on the virtual clock: an on-line run that
// keeps polling every 2 s through a 24-hour outage (the port gone and tried
// again every 5 s), writing #N/A rows into a CSV document on the disk.
// Prints the resident memory after the first hour and at the end, the rows
// written and the attempts at the port. Exits with 1 when the memory grew
// by more than 1 MiB or a row is missing.
//
//   outage_memory [--hours N]
#include "fake_host.h"
#include "fake_serial.h"
#include "online/online_transfer.h"
#include "poll_request.h"
#include "scratch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long rssKiB() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// A view that shows nothing and keeps nothing, so that what grows is the
// transfer's own.
class QuietView : public tz::OnlineView {
  public:
    void enterIdle() override {}
    void enterTransferring() override {}
    void setStatus1(const std::string&) override {}
    void setStatus2(const std::string&) override {}
    int selectedParamIndex() const override { return 0; }
    void focusInterval() override {}
    void faultReported(const std::string&) override { ++reports; }
    long reports = 0;
};

} // namespace

int main(int argc, char** argv) {
    int hours = 24;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--hours" && i + 1 < argc)
            hours = std::max(2, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: %s [--hours N]\n", argv[0]);
            return 2;
        }
    }
    tz::test::TempDir dir("tz-outage-memory", true);
    tz::fake::FakeHost host;
    tz::fake::FakeTimer timer(host);
    tz::fake::FakeSerial serial(host);
    QuietView view;
    tz::StopFlag stop;
    tz::OnlineTransfer transfer(host, serial, view, timer, stop);
    // The instrument answers the first poll; then the adapter is pulled for
    // good.
    serial.onOutput = [&](const std::string&) { serial.arriveIn(0.05, "+0012.345\r"); };
    tz::OnlineRequest request = tz::fake::csvPolling(dir.file("outage.csv"));
    request.keepPolling = true;
    transfer.start(request);
    host.runFor(1.0);
    serial.hangUpAt(host.now());
    serial.openFailure = tz::Failure(tz::FailureCode::InvalidPortNumber, "no such port");

    const auto started = std::chrono::steady_clock::now();
    long rssHour = 0;
    long attempts = 0;
    for (int h = 0; h < hours; ++h) {
        host.runFor(3600.0);
        attempts += std::count(serial.calls.begin(), serial.calls.end(), "PortOpen=true");
        // The fake port's own log of calls is no part of the program.
        serial.calls.clear();
        serial.calls.shrink_to_fit();
        if (h == 0) rssHour = rssKiB();
    }
    const long rssEnd = rssKiB();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const long long rows = transfer.rowCount() - 1;
    const long long without = transfer.rowsWithoutValue();
    // Polls of no time every 2 s after the first: one row per 2 s.
    const long long expected = 1 + static_cast<long long>((hours * 3600.0) / 2.0);
    transfer.stopXfer();
    std::printf("%d h outage at 2 s: %lld rows (%lld #N/A, %lld expected), %ld reports, "
                "%ld attempts at the port, RSS %ld KiB after 1 h -> %ld KiB after %d h (%+ld KiB), "
                "%.1f s of real time\n",
                hours, rows, without, expected, view.reports, attempts, rssHour, rssEnd, hours,
                rssEnd - rssHour, seconds);
    const bool flat = rssEnd - rssHour < 1024;
    return flat && rows >= expected - 1 && rows <= expected + 1 ? 0 : 1;
}
