// The unattended runs end to end: the real program, started without a
// display, against the tidewell-sim program on a pseudo-terminal. Their
// CSV documents are held against the windows' documents of the same data,
// and their exit status and signal handling against what a service needs.
#include "ui/logger_window.h"
#include "ui/online_window.h"

#include "outage_document.h"
#include "window_e2e.h"

#include <QComboBox>
#include <QProcess>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace tz {
namespace {

namespace fs = std::filesystem;

using fake::kProgramPath;

using fake::Simulator;
using test::crlfLines;
using test::readFile;

const char* const kNames[] = {"Flow", "Velocity", "Level"};

struct Finished {
    bool normalExit = false;
    int code = -1;
    std::string err;
};

class HeadlessEndToEnd : public fake::WindowEndToEnd {
  protected:
    HeadlessEndToEnd() : WindowEndToEnd("tz-headless-e2e") {}

    void SetUp() override {
        WindowEndToEnd::SetUp();
        if (IsSkipped()) return;
        if (!*kProgramPath) GTEST_SKIP() << "built without the program";
        // The program reads its settings beside itself: a program folder of
        // its own, with a copy of the program.
        fs::copy_file(kProgramPath, folder / "tidewell-z");
        std::ofstream ini(folder / "Twell.ini", std::ios::binary);
        ini << "\"115200,N,8,1\"\r\n";
        for (const char* n : kNames)
            ini << '"' << n << "\"\r\n";
        ini.close();

        // The windows' run of the same data, with the same settings.
        globals.CommSettings = "115200,N,8,1";
        for (int i = 0; i < 3; ++i)
            globals.ParamName[static_cast<std::size_t>(i + 1)] = kNames[i];
        globals.ProgramFolder = ws.file("window");
        fs::create_directories(globals.ProgramFolder);
        globals.EnvFilePath = ws.file("window/Twenv.dat");
    }

    // Starts the program without any display; `during` runs while it does.
    Finished run(const QStringList& args, const std::function<void(QProcess&)>& during = {}) {
        QProcess p;
        auto env = QProcessEnvironment::systemEnvironment();
        for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(v);
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(ws.root().string()));
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString((folder / "tidewell-z").string()), args);
        Finished f;
        if (!p.waitForStarted(5000)) return f;
        if (during) during(p);
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished(3000);
        }
        f.normalExit = p.exitStatus() == QProcess::NormalExit;
        f.code = p.exitCode();
        f.err = p.readAllStandardError().toStdString();
        return f;
    }

    static QString q(const std::string& s) { return QString::fromStdString(s); }

    fs::path folder = ws.root() / "program";
};

TEST_F(HeadlessEndToEnd, LoggerRunWritesTheBytesTheWindowWrites) {
    Simulator sim(ws, {"--records", "4", "--baud", "115200"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    const std::string unattended = ws.file("headless.csv");
    const Finished f = run({"--logger", "2,5,9", "--port", "COM1", "--csv", q(unattended)});
    ASSERT_TRUE(f.normalExit);
    EXPECT_EQ(f.code, 0) << f.err;
    EXPECT_NE(f.err.find("Set 1 of 3 \u2014 No.02"), std::string::npos) << f.err;
    EXPECT_NE(f.err.find("3 sets, 12 records, "), std::string::npos) << f.err;
    EXPECT_FALSE(fs::exists(folder / "Work.csv"));

    const std::string windowed = ws.file("window.csv");
    download(&open<LoggerWindow>(), {2, 5, 9}, windowed);
    ASSERT_TRUE(messages.empty()) << messages.front();

    const std::string expected = readFile(windowed);
    ASSERT_EQ(crlfLines(windowed).size(), 11u);
    EXPECT_EQ(readFile(unattended), expected);

    // The same device named by a path, as a /dev/serial/by-id/ link names it.
    const std::string byPath = ws.file("by-path.csv");
    const Finished p =
        run({"--logger", "2,5,9", "--port",
             q((ws.root() / "tidewell-z" / "ports" / "COM1").string()), "--csv", q(byPath)});
    EXPECT_EQ(p.code, 0) << p.err;
    EXPECT_EQ(readFile(byPath), expected);

    // Quiet, into the first run's document: the final line alone, naming
    // the dated copy that now holds the first run's rows.
    const Finished quiet =
        run({"--logger", "2,5,9", "--port", "COM1", "--csv", q(unattended), "--quiet"});
    EXPECT_EQ(quiet.code, 0) << quiet.err;
    const std::regex finalLine("3 sets, 12 records, [0-9,]+ bytes → " + unattended +
                               "; earlier rows in (.*headless\\.\\d{4}-\\d\\d-\\d\\dT\\d\\d-\\d\\d-"
                               "\\d\\d\\.csv)\n");
    std::smatch copy;
    ASSERT_TRUE(std::regex_match(quiet.err, copy, finalLine)) << quiet.err;
    EXPECT_EQ(readFile(copy[1]), expected);
    EXPECT_EQ(readFile(unattended), expected);
}

TEST_F(HeadlessEndToEnd, OnlineRunWritesTheRowsTheWindowWrites) {
    const std::string unattended = ws.file("headless.csv");
    {
        Simulator sim(ws, {"--baud", "115200"});
        ASSERT_TRUE(sim.ready()) << sim.banner();
        const Finished f = run({"--online", "--port", "COM1", "--parameter", "velocity",
                                "--interval", "00:00:02", "--count", "3", "--csv", q(unattended)});
        ASSERT_TRUE(f.normalExit);
        EXPECT_EQ(f.code, 0) << f.err;
        EXPECT_NE(f.err.find("Row 3: "), std::string::npos) << f.err;
        EXPECT_NE(f.err.find("3 rows \u2192 " + unattended), std::string::npos) << f.err;
        // Quiet: the final line alone.
        const std::string quietCsv = ws.file("quiet.csv");
        const Finished quiet =
            run({"--online", "--port", "COM1", "--parameter", "velocity", "--interval", "00:00:02",
                 "--count", "2", "--csv", q(quietCsv), "--quiet"});
        EXPECT_EQ(quiet.code, 0) << quiet.err;
        EXPECT_EQ(quiet.err, "2 rows \u2192 " + quietCsv + "\n");
        EXPECT_EQ(crlfLines(quietCsv).size(), 3u);
    }
    // A fresh simulator of the same seed gives the window the same values.
    Simulator sim(ws, {"--baud", "115200"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    auto& online = open<OnlineWindow>();
    child<QComboBox>(&online, "Combo1")->setCurrentIndex(1);
    const std::string windowed = ws.file("window.csv");
    startPolling(&online, windowed, "000002");
    ASSERT_TRUE(runUntil([&] { return online.transfer().rowCount() >= 4; }, 15000));
    stopXfer(&online);
    ASSERT_TRUE(messages.empty()) << messages.front();

    // The times of the polls differ from run to run; all else is the same
    // bytes, the line ends among them.
    const std::regex time(R"(^\d\d:\d\d:\d\d,)");
    auto masked = [&](const std::string& bytes) {
        std::string out;
        std::istringstream in(bytes);
        for (std::string line; std::getline(in, line);)
            out += std::regex_replace(line, time, "hh:mm:ss,") + "\n";
        return out;
    };
    const std::string expected = readFile(windowed);
    ASSERT_EQ(crlfLines(windowed).size(), 4u);
    EXPECT_EQ(masked(readFile(unattended)), masked(expected));
    EXPECT_EQ(crlfLines(unattended)[0], "TIME,Velocity");
}

// Twell.ini saved by an editor as UTF-8 with a byte order mark; the name
// with its sharp s given on the command line.
TEST_F(HeadlessEndToEnd, Utf8SettingsWithBomGiveTheNameTheCommandLineAsksFor) {
    std::ofstream(folder / "Twell.ini", std::ios::binary | std::ios::trunc)
        << "\xEF\xBB\xBF\"115200,N,8,1\"\r\n\"Durchflu\u00DF\"\r\n";
    Simulator sim(ws, {"--baud", "115200"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    const std::string csv = ws.file("utf8.csv");
    const Finished f = run({"--online", "--port", "COM1", "--parameter", "Durchflu\u00DF",
                            "--interval", "00:00:02", "--count", "1", "--csv", q(csv)});
    ASSERT_TRUE(f.normalExit);
    EXPECT_EQ(f.code, 0) << f.err;
    const auto lines = crlfLines(csv);
    ASSERT_EQ(lines.size(), 2u) << f.err;
    EXPECT_EQ(lines[0], "TIME,Durchflu\u00DF");
}

TEST_F(HeadlessEndToEnd, SigtermEndsQuietlyWithTheDocumentsWhole) {
    Simulator sim(ws, {"--records", "40", "--baud", "9600"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    const std::string onlineCsv = ws.file("online.csv");
    // Polls keep coming until the signal: after the second row.
    Finished f = run({"--online", "--port", "COM1", "--parameter", "Flow", "--interval", "00:00:02",
                      "--csv", q(onlineCsv)},
                     [&](QProcess& p) {
                         runUntil([&] { return crlfLines(onlineCsv).size() >= 3; }, 15000);
                         p.terminate();
                     });
    ASSERT_TRUE(f.normalExit) << "ended by the signal instead of by itself";
    EXPECT_EQ(f.code, 0) << f.err;
    EXPECT_EQ(f.err.find("TIDEWELL-Z:"), std::string::npos) << "a stop is no failure: " << f.err;
    const std::string bytes = readFile(onlineCsv);
    ASSERT_GE(crlfLines(onlineCsv).size(), 3u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << "the last row is whole";

    // A logger download of about 5 s, stopped in the middle of set 1.
    const std::string loggerCsv = ws.file("logger.csv");
    f = run({"--logger", "1,2", "--port", "COM1", "--csv", q(loggerCsv)}, [&](QProcess& p) {
        runUntil([&] { return crlfLines(loggerCsv).size() >= 8; }, 15000);
        p.terminate();
    });
    ASSERT_TRUE(f.normalExit);
    EXPECT_EQ(f.code, 3) << "a partial download is no success: " << f.err;
    EXPECT_NE(f.err.find("Stopped \u2014 "), std::string::npos) << f.err;
    EXPECT_FALSE(fs::exists(folder / "Work.csv"));
    const auto lines = crlfLines(loggerCsv);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[1], "SET No.01");
    EXPECT_EQ(lines.back().find("<no CR LF>"), std::string::npos);
}

// How often `text` occurs in `in`.
int occurrences(const std::string& in, const std::string& text) {
    int n = 0;
    for (auto at = in.find(text); at != std::string::npos; at = in.find(text, at + 1))
        ++n;
    return n;
}

TEST_F(HeadlessEndToEnd, OnlineRunKeepsPollingThroughASilentMeterAndAPulledPlug) {
    // Two replies, then 5 s of silence, four more replies, and the line
    // drops; the instrument is back on the same COM1 link 7 s later.
    auto sim =
        std::make_unique<Simulator>(ws, QStringList{"--baud", "115200", "--silent-after", "2",
                                                    "--silent-for", "5", "--hangup-after", "90"});
    ASSERT_TRUE(sim->ready()) << sim->banner();
    std::unique_ptr<Simulator> back;
    const std::string csv = ws.file("outage.csv");
    const Finished f =
        run({"--online", "--port", "COM1", "--parameter", "Flow", "--interval", "00:00:02",
             "--count", "16", "--iso-time=ms", "--csv", q(csv)},
            [&](QProcess&) {
                ASSERT_TRUE(sim->waitForExit(40000)) << "the line did not drop";
                QTest::qWait(7000);
                back = std::make_unique<Simulator>(ws, QStringList{"--baud", "115200"});
                ASSERT_TRUE(back->ready()) << back->banner();
            });
    ASSERT_TRUE(f.normalExit);
    EXPECT_EQ(f.code, 0) << f.err;

    // Every poll one row, --count counting the #N/A rows too.
    const auto lines = crlfLines(csv);
    ASSERT_EQ(lines.size(), 17u) << f.err;
    const test::OutageDocument doc = test::readOutage(lines);
    EXPECT_TRUE(std::regex_match(doc.shape, std::regex("VVNNVVVVN{2,}V+"))) << doc.shape;
    for (double gap : doc.gaps) // no row lost or doubled
        EXPECT_TRUE(gap > 1.9 && gap < 3.6) << gap;
    for (const char* line :
         {"The flowmeter does not answer; polling goes on.",
          "The flowmeter answers again after 2 rows without a value.",
          "The connection to the flowmeter was lost; polling goes on", "COM1 is open again after "})
        EXPECT_EQ(occurrences(f.err, line), 1) << line << "\n" << f.err;
    EXPECT_NE(f.err.find("16 rows, "), std::string::npos) << f.err;
}

TEST_F(HeadlessEndToEnd, StopOnFaultEndsAtThePulledPlugWithStatusOne) {
    Simulator sim(ws, {"--baud", "115200", "--hangup-after", "30"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    const std::string csv = ws.file("classic.csv");
    const Finished f = run({"--online", "--port", "COM1", "--parameter", "Flow", "--interval",
                            "00:00:02", "--stop-on-fault", "--csv", q(csv)});
    ASSERT_TRUE(f.normalExit);
    EXPECT_EQ(f.code, 1) << f.err;
    EXPECT_NE(f.err.find("TIDEWELL-Z: The connection to the flowmeter was lost"), std::string::npos)
        << f.err;
    EXPECT_EQ(test::readOutage(crlfLines(csv)).shape, "VV");
}

TEST_F(HeadlessEndToEnd, ExitStatusTellsBadArgumentsFromAFailedTransfer) {
    const std::string csv = ws.file("x.csv");
    for (const QStringList& args :
         {QStringList{"--online", "--port", "COM1"},
          QStringList{"--logger", "1,25", "--port", "COM1", "--csv", q(csv)},
          QStringList{"--logger", "1", "--port", "COM1", "--csv", q(csv), "--count", "3"},
          QStringList{"--online", "--port", "COM1", "--parameter", "Nope", "--interval", "00:00:02",
                      "--csv", q(csv)},
          QStringList{"--online", "--port", "COM1", "--parameter", "Flow", "--interval", "00:00:01",
                      "--csv", q(csv)},
          QStringList{"--logger", "1", "--port", "COM1", "--csv", q(csv), "--bogus"}}) {
        const Finished f = run(args);
        EXPECT_EQ(f.code, 2) << args.join(' ').toStdString() << "\n" << f.err;
        EXPECT_FALSE(fs::exists(csv));
    }
    EXPECT_NE(run({"--online", "--port", "COM1", "--parameter", "Flow", "--interval", "00:00:01",
                   "--csv", q(csv)})
                  .err.find("Input the interval range of 00:00:02 - 09:00:00."),
              std::string::npos);

    // Nothing answers on COM1: the port's own message, then 1.
    const Finished f = run({"--logger", "1", "--port", "COM1", "--csv", q(csv)});
    EXPECT_EQ(f.code, 1);
    EXPECT_NE(f.err.find("TIDEWELL-Z: 232Port"), std::string::npos) << f.err;
}

} // namespace
} // namespace tz
