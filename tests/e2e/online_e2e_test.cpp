// The on-line transfer end to end: the real on-line window with the Qt
// serial port, host and timer, against the tidewell-sim program on a
// pseudo-terminal published as COM1 in a private configuration folder.
#include "app/globals.h"
#include "backends/qt/qt_host.h"
#include "ui/monitor_grid.h"
#include "ui/monitor_window.h"
#include "ui/online_window.h"
#include "ui/services.h"

#include "fake_views.h"
#include "qt_app.h"
#include "sim_process.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace tz {
namespace {

namespace fs = std::filesystem;

using fake::kSimPath;
using fake::Simulator;
using fake::Workspace;
using test::crlfLines;

class NoFileDialog : public FileDialog {
  public:
    std::string open(const std::string&) override { return {}; }
};

class OnlineEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!*kSimPath) GTEST_SKIP() << "built without the simulator";
        fake::ensureApplication("tz_e2e_tests");
        ASSERT_FALSE(ws.root().empty());
        globals.CommSettings = "9600,N,8,1";
        globals.ParamName[1] = "Flow";
        globals.ParamName[2] = "Level";
        globals.PortNo = 1;
        globals.SaveFormat = 0;
        globals.ProgramFolder = ws.root().string();
        globals.EnvFilePath = ws.file("Twenv.dat");
        host.setMessageBoxHook([this](const std::string& text, const std::string& title) {
            messages.push_back(text);
            titles.push_back(title);
        });
        services.makeSheetLink = [] { return std::make_unique<fake::FakeSheetLink>(); };
        services.makeShell = [] { return std::make_unique<fake::FakeShell>(); };
        services.makeFileDialog = [](QWidget*) { return std::make_unique<NoFileDialog>(); };
        services.openHelp = [](const std::string&) {};
    }

    void TearDown() override {
        if (window) {
            window->close(); // runs the closing step; the window deletes itself
            QCoreApplication::processEvents();
        }
    }

    OnlineWindow& openWindow() {
        window = new OnlineWindow(services, QPoint(0, 0));
        window->show();
        return *window;
    }

    template <class W> W* child(const char* name) { return window->findChild<W*>(name); }

    // Types the interval and the document, and clicks "Start Transfer!".
    void startTransfer(const std::string& document, const QString& interval) {
        auto* txtTime = child<QLineEdit>("txtTime");
        auto* text3 = child<QLineEdit>("Text3");
        ASSERT_NE(txtTime, nullptr);
        ASSERT_NE(text3, nullptr);
        text3->setText(QString::fromStdString(document));
        txtTime->setFocus();
        txtTime->selectAll();
        QTest::keyClicks(txtTime, interval);
        QTest::mouseClick(child<QPushButton>("SSCommand3"), Qt::LeftButton);
    }

    // Runs the event loop until `done` or the time limit.
    template <class F> bool runUntil(F done, int limitMs) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < limitMs)
            QTest::qWait(20);
        return done();
    }

    bool idle() {
        return !child<QPushButton>("SSCommand3")->isHidden() &&
               child<QPushButton>("SSCommand6")->isHidden();
    }

    Workspace ws{"tz-online-e2e"};
    Globals globals;
    QtHost host;
    UiServices services = qtServices(globals, host);
    OnlineWindow* window = nullptr;
    std::vector<std::string> messages, titles;
};

TEST_F(OnlineEndToEnd, PollsTheSimulatorUntilStopXferAndKeepsFileAndGridAlike) {
    Simulator sim(kSimPath, ws, {});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    OnlineWindow& w = openWindow();
    const std::string document = ws.file("online.csv");
    { std::ofstream(document, std::ios::binary) << "an older document\r\n"; }

    QElapsedTimer clock;
    clock.start();
    startTransfer(document, "000002");
    ASSERT_TRUE(messages.empty()) << messages.front();
    ASSERT_TRUE(w.transfer().running());
    ASSERT_NE(w.monitor(), nullptr);
    EXPECT_TRUE(w.monitor()->isVisible());
    MonitorGrid& grid = w.monitor()->grid();
    EXPECT_EQ(grid.rows(), 500);

    // Three polls: at the first tick, then one interval after each poll.
    ASSERT_TRUE(runUntil([&] { return !grid.text(3, 1).empty(); }, 15000))
        << "polls seen: " << w.transfer().rowCount() - 1;
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 4000) << "three polls came faster than two intervals";
    EXPECT_TRUE(std::regex_match(child<QLabel>("Label4")->text().toStdString(),
                                 std::regex(R"(TIME\d\d:\d\d:\d\d)")));

    QTest::mouseClick(child<QPushButton>("SSCommand6"), Qt::LeftButton);
    EXPECT_TRUE(idle());
    EXPECT_FALSE(w.transfer().running());
    EXPECT_FALSE(w.transfer().csvFileOpen());
    EXPECT_TRUE(messages.empty());

    const auto lines = crlfLines(document);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "TIME,Flow");
    EXPECT_EQ(grid.text(0, 0), "TIME");
    EXPECT_EQ(grid.text(0, 1), "Flow");
    for (std::size_t r = 1; r < lines.size(); ++r) {
        EXPECT_TRUE(std::regex_match(lines[r], std::regex(R"([^,]+,[+-]\d{4}\.\d{3})")))
            << lines[r];
        EXPECT_EQ(lines[r],
                  grid.text(static_cast<int>(r), 0) + "," + grid.text(static_cast<int>(r), 1))
            << "row " << r;
    }
    EXPECT_TRUE(grid.text(static_cast<int>(lines.size()), 0).empty());
    EXPECT_EQ(w.transfer().rowCount(), static_cast<long long>(lines.size()));
}

TEST_F(OnlineEndToEnd, PulledPlugEndsTheTransferAndKeepsTheRowsWritten) {
    // Each reply is 15 bytes: the line drops in the middle of the third.
    Simulator sim(kSimPath, ws, {"--fault", "hangup", "--hangup-after", "40"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    OnlineWindow& w = openWindow();
    const std::string document = ws.file("online.csv");
    startTransfer(document, "000002");
    ASSERT_TRUE(w.transfer().running());

    ASSERT_TRUE(runUntil([&] { return !messages.empty(); }, 15000));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(titles[0], "TIDEWELL-Z");
    runUntil([&] { return idle(); }, 2000);
    EXPECT_TRUE(idle());
    EXPECT_FALSE(w.transfer().running());
    EXPECT_FALSE(w.transfer().csvFileOpen());

    const auto lines = crlfLines(document);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "TIME,Flow");
    for (std::size_t r = 1; r < lines.size(); ++r)
        EXPECT_TRUE(std::regex_match(lines[r], std::regex(R"([^,]+,[+-]\d{4}\.\d{3})")))
            << lines[r];
}

TEST_F(OnlineEndToEnd, MissingPortLeavesTheDocumentUntouched) {
    // No simulator: COM1 has no link in the private folder, so the port is
    // the first on-board UART, which this machine may not have; point COM1
    // at a path that certainly does not exist instead.
    fs::create_directories(ws.root() / "tidewell-z" / "ports");
    fs::create_symlink(ws.file("no-such-device"), ws.root() / "tidewell-z" / "ports" / "COM1");
    OnlineWindow& w = openWindow();
    const std::string document = ws.file("online.csv");
    { std::ofstream(document, std::ios::binary) << "TIME,Flow\r\n08:00:00,+0001.000\r\n"; }
    startTransfer(document, "000002");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "232Port No. is bad");
    EXPECT_TRUE(idle());
    EXPECT_FALSE(w.transfer().running());
    EXPECT_FALSE(w.monitor() && w.monitor()->isVisible());
    const auto lines = crlfLines(document);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "08:00:00,+0001.000");
}

} // namespace
} // namespace tz
