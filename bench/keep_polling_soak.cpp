// A long on-line run through pulled plugs, compressed: the real program
// without windows, polling every 2 s through a real pseudo-terminal and
// tidewell-sim, while the simulator is stopped (the adapter pulled: the
// device and its COM1 link go) and started again on the same link a few
// seconds later, over and over. Prints the rows on disk against the rows
// the run reported, the spacing of the rows' dated times, the time from
// each return of the port to the program's "open again" line (median and
// maximum), and the program's CPU while the port was away.
//
//   keep_polling_soak [--pulls N] [--up S] [--away S]
//
// Defaults: 20 pulls, 15 s up, away 3 to 12 s (in turn). Exits with 1 when
// a row was lost or doubled or a return went unnoticed.
#include "outage_document.h"
#include "scratch.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

using tz::fake::kProgramPath;

void idle(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
}

// User plus system CPU seconds of process `pid`.
double cpuSecondsOf(qint64 pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(all.substr(close + 2));
    std::string f;
    double utime = 0, stime = 0;
    for (int i = 3; fields >> f; ++i) {
        if (i == 14) utime = std::atof(f.c_str());
        if (i == 15) {
            stime = std::atof(f.c_str());
            break;
        }
    }
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long rssKiBOf(qint64 pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    int pulls = 20, up = 15, awayFixed = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--pulls" && i + 1 < argc)
            pulls = std::max(0, std::atoi(argv[++i]));
        else if (a == "--up" && i + 1 < argc)
            up = std::max(3, std::atoi(argv[++i]));
        else if (a == "--away" && i + 1 < argc)
            awayFixed = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: %s [--pulls N] [--up S] [--away S]\n", argv[0]);
            return 2;
        }
    }
    if (!*tz::fake::kSimPath || !*kProgramPath) {
        std::fprintf(stderr, "built without the simulator or the program\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    tz::fake::Workspace ws("tz-keep-polling-soak");
    const fs::path folder = ws.root() / "program";
    fs::create_directories(folder);
    fs::copy_file(kProgramPath, folder / "tidewell-z");
    {
        std::ofstream ini(folder / "Twell.ini", std::ios::binary);
        ini << "\"115200,N,8,1\"\r\n\"Flow\"\r\n";
    }
    const QStringList simArgs{"--baud", "115200"};
    auto sim = std::make_unique<tz::fake::Simulator>(ws, simArgs);
    if (!sim->ready()) return 1;

    const std::string csv = ws.file("soak.csv");
    QProcess program;
    auto env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(v);
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(ws.root().string()));
    program.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    std::string err;
    double lostAt = -1, lostCpu = 0, returnedAt = -1;
    std::vector<double> reconnect, awayCpuShare;
    int losses = 0, returns = 0;
    QObject::connect(&program, &QProcess::readyReadStandardError, [&] {
        const std::string chunk = program.readAllStandardError().toStdString();
        err += chunk;
        const double now = static_cast<double>(clock.elapsed()) / 1000;
        if (chunk.find("was lost") != std::string::npos) {
            ++losses;
            lostAt = now;
            lostCpu = cpuSecondsOf(program.processId());
        }
        if (chunk.find("is open again") != std::string::npos) {
            ++returns;
            if (returnedAt >= 0) reconnect.push_back(now - returnedAt);
            returnedAt = -1;
        }
    });
    program.setReadChannel(QProcess::StandardError);
    program.start(QString::fromStdString((folder / "tidewell-z").string()),
                  {"--online", "--port", "COM1", "--parameter", "Flow", "--interval", "00:00:02",
                   "--iso-time=ms", "--csv", QString::fromStdString(csv)});
    if (!program.waitForStarted(5000)) return 1;
    const long rssStart = (idle(3000), rssKiBOf(program.processId()));

    for (int n = 0; n < pulls; ++n) {
        idle(up * 1000);
        sim->stop(); // the adapter is pulled: its device and COM1 link go
        const int away = awayFixed > 0 ? awayFixed : 3 + (n % 10);
        // The loss shows at the next poll; CPU is measured from the loss
        // line until the simulator is back.
        idle(away * 1000);
        const double now = static_cast<double>(clock.elapsed()) / 1000;
        if (lostAt >= 0 && now > lostAt + 0.5)
            awayCpuShare.push_back((cpuSecondsOf(program.processId()) - lostCpu) / (now - lostAt));
        lostAt = -1;
        sim = std::make_unique<tz::fake::Simulator>(ws, simArgs);
        if (!sim->ready()) return 1;
        returnedAt = static_cast<double>(clock.elapsed()) / 1000;
    }
    idle(up * 1000);
    const long rssEnd = rssKiBOf(program.processId());
    program.terminate();
    program.waitForFinished(10000);
    err += program.readAllStandardError().toStdString();

    const auto lines = tz::test::crlfLines(csv);
    const tz::test::OutageDocument doc = tz::test::readOutage(lines);
    int reported = 0;
    for (auto at = err.find("\nRow "); at != std::string::npos; at = err.find("\nRow ", at + 1))
        ++reported;
    reported += err.rfind("Row ", 0) == 0 ? 1 : 0;
    const auto count = [&](char c) { return std::count(doc.shape.begin(), doc.shape.end(), c); };
    double gapMin = 1e9, gapMax = 0;
    int lostRows = 0, doubled = 0;
    for (double g : doc.gaps) {
        gapMin = std::min(gapMin, g);
        gapMax = std::max(gapMax, g);
        // A poll takes at most 1.1 s of silence plus the reading; beyond
        // that a row is missing, below the interval one came twice.
        if (g > 2 + 1.5) ++lostRows;
        if (g < 1.95) ++doubled;
    }
    double cpuMean = 0;
    for (double c : awayCpuShare)
        cpuMean += c;
    cpuMean = awayCpuShare.empty() ? 0 : cpuMean / static_cast<double>(awayCpuShare.size());
    const double cpuMax =
        awayCpuShare.empty() ? 0 : *std::max_element(awayCpuShare.begin(), awayCpuShare.end());
    std::printf(
        "%.0f s, %d pulls: %zu rows on disk (%ld with a value, %ld #N/A, %ld other), "
        "%d rows reported by the run; row spacing %.3f to %.3f s, %d rows lost, %d doubled\n",
        static_cast<double>(clock.elapsed()) / 1000, pulls, doc.shape.size(), count('V'),
        count('N'), count('?'), reported, gapMin, gapMax, lostRows, doubled);
    std::printf("losses reported %d, returns reported %d; from the port's return to the program's "
                "line: median %.2f s, max %.2f s\n",
                losses, returns, median(reconnect),
                reconnect.empty() ? 0 : *std::max_element(reconnect.begin(), reconnect.end()));
    std::printf("CPU while the port was away: mean %.2f %%, max %.2f %% of one core; RSS %ld -> "
                "%ld KiB\n",
                cpuMean * 100, cpuMax * 100, rssStart, rssEnd);
    const bool ok = lostRows == 0 && doubled == 0 && count('?') == 0 && losses == pulls &&
                    returns == pulls && static_cast<int>(doc.shape.size()) == reported;
    return ok ? 0 : 1;
}
