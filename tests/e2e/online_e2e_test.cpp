// The on-line transfer end to end: the real on-line window with the Qt
// serial port, host and timer, against the tidewell-sim program on a
// pseudo-terminal published as COM1 in a private configuration folder.
#include "ui/monitor_grid.h"
#include "ui/monitor_window.h"
#include "ui/online_window.h"

#include "window_e2e.h"

#include <QLabel>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace tz {
namespace {

namespace fs = std::filesystem;

using fake::Simulator;
using test::crlfLines;

class OnlineEndToEnd : public fake::WindowEndToEnd {
  protected:
    OnlineEndToEnd() : WindowEndToEnd("tz-online-e2e") {}

    OnlineWindow& openWindow() {
        window = &open<OnlineWindow>();
        return *window;
    }
    void startTransfer(const std::string& document, const QString& digits) {
        startPolling(window, document, digits);
    }
    bool idle() { return WindowEndToEnd::idle(window); }
    template <class W> W* child(const char* name) { return WindowEndToEnd::child<W>(window, name); }

    OnlineWindow* window = nullptr;
};

TEST_F(OnlineEndToEnd, PollsTheSimulatorUntilStopXferAndKeepsFileAndGridAlike) {
    Simulator sim(ws, {});
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

    stopXfer(window);
    EXPECT_TRUE(idle());
    EXPECT_FALSE(w.transfer().running());
    EXPECT_FALSE(w.transfer().sinksOpen());
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
    Simulator sim(ws, {"--fault", "hangup", "--hangup-after", "40"});
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
    EXPECT_FALSE(w.transfer().sinksOpen());

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
    fs::create_directories(ws.link(1).parent_path());
    fs::create_symlink(ws.file("no-such-device"), ws.link(1));
    OnlineWindow& w = openWindow();
    const std::string document = ws.file("online.csv");
    { std::ofstream(document, std::ios::binary) << "TIME,Flow\r\n08:00:00,+0001.000\r\n"; }
    startTransfer(document, "000002");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "232Port No. is bad\n" + ws.link(1).string() + " is a link to " +
                               ws.file("no-such-device") +
                               ", which points nowhere (adapter unplugged, simulator ended?)");
    EXPECT_TRUE(idle());
    EXPECT_FALSE(w.transfer().running());
    EXPECT_FALSE(w.monitor() && w.monitor()->isVisible());
    const auto lines = crlfLines(document);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "08:00:00,+0001.000");
}

} // namespace
} // namespace tz
