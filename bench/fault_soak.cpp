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
#include "sheet/document_link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

#ifdef TZ_SIM_PATH
constexpr const char* kSimPath = TZ_SIM_PATH;
#else
constexpr const char* kSimPath = "";
#endif

constexpr const char* kBaud = "115200";

class LoggerView : public tz::LoggerView {
  public:
    void enterIdle() override {}
    void enterTransferring() override {}
    void setStatus1(const std::string&) override {}
    void setStatus2(const std::string&) override {}
};

// tidewell-sim with `args` on COM1 of the private configuration folder.
class Sim {
  public:
    explicit Sim(const QStringList& args) {
        process_.start(kSimPath, args);
        process_.waitForStarted(5000);
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        ready_ = process_.readLine().contains("COM1 -> ");
    }
    ~Sim() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    bool ready() const { return ready_; }

  private:
    QProcess process_;
    bool ready_ = false;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The document's lines; false when a CR or LF stands anywhere but in the
// CR LF that ends a line.
bool documentLines(const std::string& path, std::vector<std::string>& lines) {
    const std::string all = readAll(path);
    lines.clear();
    std::size_t from = 0;
    while (from < all.size()) {
        const std::size_t end = all.find("\r\n", from);
        if (end == std::string::npos) return false;
        lines.push_back(all.substr(from, end - from));
        from = end + 2;
    }
    for (const auto& l : lines)
        if (l.find_first_of("\r\n") != std::string::npos) return false;
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
    tz::StopFlag stop;
    std::string lineSettings;
    std::string programFolder;
    tz::QtHost host;
    std::vector<std::string> messages;
    fs::path dir;
};

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

    Sim sim(args);
    if (!sim.ready()) {
        std::fprintf(stderr, "the simulator did not start\n");
        std::exit(1);
    }
    tz::QtSerialControl port;
    LoggerView view;
    tz::LoggerRequest request;
    request.portNo = 1;
    request.lineSettings = c.lineSettings;
    request.toWorkbook = false;
    request.ticked[1] = true;
    request.documentPath = (c.dir / "logger.csv").string();
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

tz::OnlineRequest onlineRequest(const Context& c, const char* document) {
    tz::OnlineRequest request;
    request.portNo = 1;
    request.lineSettings = c.lineSettings;
    request.toWorkbook = false;
    request.commands[1] = "DQ01";
    request.paramIndex = 0;
    request.paramText = "Flow";
    request.intervalDigits = "000002";
    request.documentPath = (c.dir / document).string();
    return request;
}

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

    Sim sim({"--hangup-after", QString::number(static_cast<qulonglong>(cut)), "--once"});
    if (!sim.ready()) {
        std::fprintf(stderr, "the simulator did not start\n");
        std::exit(1);
    }
    tz::QtSerialControl port;
    tz::QtTimer timer;
    tz::fake::FakeOnlineView view;
    const tz::OnlineRequest request = onlineRequest(c, "online.csv");
    tz::fake::FakeShell shell;
    tz::fake::FakeSheetLink link;
    tz::DocumentLink sheet(c.host, shell, link, c.stop);
    tz::OnlineTransfer transfer(c.host, port, view, timer, sheet, c.stop);
    c.messages.clear();
    transfer.start(request);
    QElapsedTimer clock;
    clock.start();
    while (transfer.running() && clock.elapsed() < 30000)
        idle(20);
    if (transfer.running()) {
        std::fprintf(stderr, "an on-line transfer did not end after its line dropped\n");
        std::exit(1);
    }

    std::vector<std::string> lines;
    const bool clean = documentLines(request.documentPath, lines);
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

    std::string tmpl = (fs::temp_directory_path() / "tz-fault-soak-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    Context c;
    c.dir = tmpl;
    setenv("XDG_CONFIG_HOME", tmpl.c_str(), 1);
    QCoreApplication app(argc, argv);
    c.lineSettings = std::string(kBaud) + ",N,8,1";
    fs::create_directories(c.dir / "program");
    c.programFolder = (c.dir / "program").string();
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
        Sim sim({"--fault", "endless"});
        tz::QtSerialControl port;
        tz::QtTimer timer;
        tz::fake::FakeOnlineView view;
        const tz::OnlineRequest request = onlineRequest(c, "flood.csv");
        tz::fake::FakeShell shell;
        tz::fake::FakeSheetLink link;
        tz::DocumentLink sheet(c.host, shell, link, c.stop);
        tz::OnlineTransfer transfer(c.host, port, view, timer, sheet, c.stop);
        c.messages.clear();
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
        transfer.start(request);
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
    fs::remove_all(c.dir);
    const bool ok = floodOk && logger.lost + logger.extra + logger.badCells == 0 &&
                    online.lost + online.extra + online.badCells == 0;
    return ok ? 0 : 1;
}
