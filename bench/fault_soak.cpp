// The transfers against faults from outside, repeatable: the line hangs up
// at random points and right after a record's (or a reply's) last byte, in
// both modes, and a reply that never ends floods the on-line poll. All of
// it through a real pseudo-terminal, the Qt serial port and tidewell-sim.
// Prints, per mode, how many records or rows were lost (none should be),
// whether a CR or LF got into a cell, and the memory growth under the flood.
//
//   fault_soak [--hangups N] [--flood-seconds S] [--seed N]
//
// Defaults: 20 hang-ups per mode (half of them at record or reply ends),
// 60 seconds of flood. Exits with 1 when anything was lost.
#include "backends/qt/qt_host.h"
#include "backends/qt/qt_serial_control.h"
#include "backends/qt/qt_timer.h"
#include "fake_views.h"
#include "instrument.h"
#include "logger/logger_transfer.h"
#include "online/online_transfer.h"
#include "poll_request.h"
#include "sheet/document_link.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

using tz::fake::kSimPath;

constexpr const char* kBaud = "115200";

// The document's lines; false when a CR or LF stands anywhere but in the
// CR LF that ends a line.
bool documentLines(const std::string& path, std::vector<std::string>& lines) {
    lines = tz::test::crlfLines(path);
    for (const auto& l : lines)
        if (l.find_first_of("\r\n") != std::string::npos || l.rfind("<no CR LF>", 0) == 0)
            return false;
    return true;
}

long rssKiB() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// Let the event loop run (timer shots, the port) for `ms` milliseconds.
void idle(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Context {
    tz::fake::Workspace ws{"tz-fault-soak"};
    tz::StopFlag stop;
    std::string lineSettings;
    std::string programFolder;
    tz::QtHost host;
    std::vector<std::string> messages;
};

// tidewell-sim with `args` on COM1 of the private configuration folder.
std::unique_ptr<tz::fake::Simulator> startSim(const Context& c, const QStringList& args) {
    auto sim = std::make_unique<tz::fake::Simulator>(c.ws, args);
    if (!sim->ready()) {
        std::fprintf(stderr, "the simulator did not start: %s\n", sim->banner().c_str());
        std::exit(1);
    }
    return sim;
}

struct Tally {
    int runs = 0, lost = 0, extra = 0, badCells = 0, unreported = 0;
    int expected = 0;
};

// One logger download of set 1 cut `cut` bytes into it (the query's bytes
// count too); the document must hold every record whose closing line came.
void loggerCut(Context& c, std::size_t cut, bool atRecordEnd, int recordEnd, Tally& t) {
    tz::sim::Config config;
    config.records = 8;
    const tz::sim::Instrument model(config);
    const std::string query = model.queryText(1);
    const std::string download = model.downloadText(1);
    QStringList args{"--records", "8", "--baud", kBaud, "--once"};
    if (atRecordEnd)
        args << "--hangup-after-records" << QString::number(recordEnd);
    else
        args << "--hangup-after" << QString::number(cut);
    // What the line carries of the download before it drops.
    std::size_t got = 0;
    if (atRecordEnd) {
        std::size_t at = 0;
        for (int closings = 0; closings <= recordEnd; ++closings)
            at = download.find("\r\r", at) + 2;
        got = at;
    } else {
        got = cut > query.size() ? cut - query.size() : 0;
    }
    // Records whose closing empty line is within what came.
    int complete = -1; // the header's closing line is not a record's
    for (std::size_t at = download.find("\r\r"); at != std::string::npos && at + 2 <= got;
         at = download.find("\r\r", at + 2))
        ++complete;
    complete = std::max(complete, 0);

    const auto sim = startSim(c, args);
    tz::QtSerialControl port;
    tz::fake::FakeLoggerView view;
    tz::LoggerRequest request;
    request.portNo = 1;
    request.lineSettings = c.lineSettings;
    request.toWorkbook = false;
    request.ticked[1] = true;
    request.documentPath = c.ws.file("logger.csv");
    request.workFolder = c.programFolder;
    tz::fake::FakeShell shell;
    tz::fake::FakeSheetLink link;
    tz::DocumentLink sheet(c.host, shell, link, c.stop);
    tz::LoggerTransfer transfer(c.host, port, view, sheet, c.stop);
    c.messages.clear();
    transfer.start(request);

    std::vector<std::string> lines;
    const bool clean = documentLines(request.documentPath, lines);
    static const std::regex record(R"( \d\d/\d\d/\d\d \d\d:\d\d,.*)");
    int rows = 0;
    for (const auto& l : lines)
        rows += std::regex_match(l, record) ? 1 : 0;
    ++t.runs;
    t.expected += complete;
    if (rows < complete) t.lost += complete - rows;
    if (rows > complete) t.extra += rows - complete;
    if (!clean) ++t.badCells;
    if (c.messages.empty() && got < download.size()) ++t.unreported;
}

// An on-line transfer of "Flow" every 2 s into `document`, through the Qt
// serial port and timer; the spreadsheet side is never reached.
struct OnlineRun {
    OnlineRun(Context& c, const char* document)
        : transfer(c.host, port, view, timer, c.stop),
          request(tz::fake::csvPolling(c.ws.file(document), "Flow", "000002", c.lineSettings)) {
        c.messages.clear();
    }

    tz::QtSerialControl port;
    tz::QtTimer timer;
    tz::fake::FakeOnlineView view;
    tz::OnlineTransfer transfer;
    tz::OnlineRequest request;
};

// An on-line transfer whose line drops `cut` bytes in; every poll whose
// reply came whole is a row.
void onlineCut(Context& c, std::size_t cut, Tally& t) {
    tz::sim::Instrument model;
    std::size_t sent = 0;
    int complete = 0;
    for (;;) {
        std::size_t n = 0;
        for (const auto& p : model.feed("DQ01\r"))
            n += p.bytes.size();
        if (sent + n > cut) break;
        sent += n;
        ++complete;
    }

    const auto sim =
        startSim(c, {"--hangup-after", QString::number(static_cast<qulonglong>(cut)), "--once"});
    OnlineRun run(c, "online.csv");
    run.transfer.start(run.request);
    QElapsedTimer clock;
    clock.start();
    while (run.transfer.running() && clock.elapsed() < 30000)
        idle(20);
    if (run.transfer.running()) {
        std::fprintf(stderr, "an on-line transfer did not end after its line dropped\n");
        std::exit(1);
    }

    std::vector<std::string> lines;
    const bool clean = documentLines(run.request.documentPath, lines);
    const int rows = lines.empty() ? 0 : static_cast<int>(lines.size()) - 1;
    ++t.runs;
    t.expected += complete;
    if (rows < complete) t.lost += complete - rows;
    if (rows > complete) t.extra += rows - complete;
    if (!clean) ++t.badCells;
    if (c.messages.empty()) ++t.unreported;
}

void print(const char* mode, const Tally& t) {
    std::printf("%s: %d hang-ups, %d whole records/replies before them, %d lost, %d extra, "
                "%d documents with a CR or LF in a cell, %d hang-ups not reported\n",
                mode, t.runs, t.expected, t.lost, t.extra, t.badCells, t.unreported);
}

} // namespace

int main(int argc, char** argv) {
    int hangups = 20;
    int floodSeconds = 60;
    unsigned seed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--hangups" && i + 1 < argc)
            hangups = std::max(0, std::atoi(argv[++i]));
        else if (a == "--flood-seconds" && i + 1 < argc)
            floodSeconds = std::max(0, std::atoi(argv[++i]));
        else if (a == "--seed" && i + 1 < argc)
            seed = static_cast<unsigned>(std::atol(argv[++i]));
        else {
            std::fprintf(stderr, "usage: %s [--hangups N] [--flood-seconds S] [--seed N]\n",
                         argv[0]);
            return 2;
        }
    }
    if (!*kSimPath) {
        std::fprintf(stderr, "built without the simulator\n");
        return 1;
    }

    Context c;
    QCoreApplication app(argc, argv);
    c.lineSettings = std::string(kBaud) + ",N,8,1";
    fs::create_directories(c.ws.root() / "program");
    c.programFolder = c.ws.file("program");
    c.host.setMessageBoxHook(
        [&](const std::string& text, const std::string&) { c.messages.push_back(text); });

    std::mt19937 rng(seed);
    auto pick = [&](std::size_t lo, std::size_t hi) {
        return std::uniform_int_distribution<std::size_t>(lo, hi)(rng);
    };

    tz::sim::Config config;
    config.records = 8;
    const tz::sim::Instrument model(config);
    const std::size_t queryBytes = model.queryText(1).size();
    const std::size_t downloadBytes = model.downloadText(1).size();
    Tally logger, online;
    for (int i = 0; i < hangups; ++i) {
        if (i % 2 == 0)
            loggerCut(c, 0, true, static_cast<int>(pick(1, 7)), logger);
        else
            loggerCut(c, queryBytes + pick(1, downloadBytes - 1), false, 0, logger);
    }
    print("logger", logger);
    std::fflush(stdout);
    // On-line replies are 15 bytes: half the cuts fall right after a
    // reply's CR, half anywhere in the first three replies.
    for (int i = 0; i < hangups; ++i)
        onlineCut(c, i % 2 == 0 ? 15 * pick(1, 3) : pick(1, 44), online);
    print("on-line", online);
    std::fflush(stdout);

    bool floodOk = true;
    if (floodSeconds > 0) {
        const auto sim = startSim(c, {"--fault", "endless"});
        OnlineRun run(c, "flood.csv");
        tz::OnlineTransfer& transfer = run.transfer;
        long rssStart = 0, rssEnd = 0;
        double cpuStart = 0, cpuEnd = 0;
        // The flood starts with the first poll; the memory is read once it
        // has run a while, and again at the end, just before "Stop Xfer".
        QTimer::singleShot(5000, [&] {
            rssStart = rssKiB();
            cpuStart = cpuSeconds();
        });
        QTimer::singleShot(5000 + floodSeconds * 1000, [&] {
            rssEnd = rssKiB();
            cpuEnd = cpuSeconds();
            transfer.stopXfer();
        });
        transfer.start(run.request);
        QElapsedTimer clock;
        clock.start();
        while ((rssEnd == 0 || transfer.running()) &&
               clock.elapsed() < (floodSeconds + 30) * 1000LL)
            idle(50);
        const bool stopped = !transfer.running();
        const double minutes = floodSeconds / 60.0;
        std::printf(
            "endless reply for %d s: RSS %ld KiB -> %ld KiB (%.0f KiB per minute), "
            "CPU %.0f %% of one core, Stop Xfer %s\n",
            floodSeconds, rssStart, rssEnd, static_cast<double>(rssEnd - rssStart) / minutes,
            (cpuEnd - cpuStart) / floodSeconds * 100, stopped ? "ended it" : "did not end it");
        floodOk = stopped && rssEnd > 0 && (rssEnd - rssStart) / minutes < 1024;
    }
    const bool ok = floodOk && logger.lost + logger.extra + logger.badCells == 0 &&
                    online.lost + online.extra + online.badCells == 0;
    return ok ? 0 : 1;
}
