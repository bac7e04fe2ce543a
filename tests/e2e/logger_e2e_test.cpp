// The logger transfer end to end: the real logger window with the Qt serial
// port and host, against the tidewell-sim program on a pseudo-terminal
// published as COM1 in a private configuration folder, into a CSV document.
#include "ui/logger_window.h"

#include "window_e2e.h"

#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace tz {
namespace {

namespace fs = std::filesystem;

using fake::Simulator;
using test::crlfLines;

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = line.find(',', from);
        out.push_back(line.substr(from, comma - from));
        if (comma == std::string::npos) return out;
        from = comma + 1;
    }
}

// The simulator's records of seven lines: a time stamp, a flow in m3/h, a
// labelled velocity, a temperature, two totals and a current. These are
// their value cells, in order.
const std::regex kRecordCells[] = {
    std::regex(R"( \d\d/\d\d/\d\d \d\d:\d\d)"),
    std::regex(R"([+-]\d{4}\.\d{3})"),
    std::regex(R"([+-]\d\d\.\d{3})"),
    std::regex(R"([+-]\d{4}\.\d{3})"),
    std::regex(R"(\+\d{8})"),
    std::regex(R"(-\d{8})"),
    std::regex(R"([+-]\d{4}\.\d{3})"),
};
// Their unit cells; the temperature's unit is what follows its last digit.
const std::string kUnits = "m3/h,( FLOW ) m/s,  \xC2\xB0"
                           "C,m3,m3,mA";

// Day and time stamp of record r (from 0) of set n: set 1 starts on
// 06/01/23 at 10:00, each set a day later, records ten minutes apart.
std::string stamp(int set, int record) {
    char buf[64];
    const int minutes = 10 * 60 + 10 * record;
    std::snprintf(buf, sizeof buf, " %02d/01/23 %02d:%02d", 5 + set, minutes / 60, minutes % 60);
    return buf;
}

class LoggerEndToEnd : public fake::WindowEndToEnd {
  protected:
    LoggerEndToEnd() : WindowEndToEnd("tz-logger-e2e") {}
    void SetUp() override {
        WindowEndToEnd::SetUp();
        globals.CommSettings = "115200,N,8,1";
    }

    LoggerWindow& openWindow() {
        window = &open<LoggerWindow>();
        return *window;
    }
    void runTransfer(std::initializer_list<int> sets, const std::string& document) {
        download(window, sets, document);
    }
    bool idle() { return WindowEndToEnd::idle(window); }
    template <class W> W* child(const char* name) { return WindowEndToEnd::child<W>(window, name); }

    LoggerWindow* window = nullptr;
};

TEST_F(LoggerEndToEnd, DownloadsTickedSetsSideBySideIntoTheDocument) {
    Simulator sim(ws, {"--records", "4", "--baud", "115200"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    LoggerWindow& w = openWindow();
    const std::string document = ws.file("logger.csv");
    { std::ofstream(document, std::ios::binary) << "an older document\r\n"; }

    runTransfer({2, 5, 9}, document);
    ASSERT_TRUE(messages.empty()) << messages.front();
    EXPECT_TRUE(idle());
    EXPECT_FALSE(w.transfer().running());
    EXPECT_EQ(child<QLabel>("Label4")->text(), "");
    EXPECT_FALSE(fs::exists(ws.root() / "program" / "Work.csv"));
    EXPECT_EQ(w.transfer().nextCol(), 22);

    const auto lines = crlfLines(document);
    ASSERT_EQ(lines.size(), 5u + 1 + 1 + 4);
    EXPECT_EQ(lines[0], "TIDEWELL-Z LOGGER,,,,,,,TIDEWELL-Z LOGGER,,,,,,,TIDEWELL-Z LOGGER");
    EXPECT_EQ(lines[1], "SET No.02,,,,,,,SET No.05,,,,,,,SET No.09");
    EXPECT_EQ(lines[2], "START 07/01/23 10:00,,,,,,,START 10/01/23 10:00,,,,,,,"
                        "START 14/01/23 10:00");
    EXPECT_EQ(lines[3], "INTERVAL 00:10:00,,,,,,,INTERVAL 00:10:00,,,,,,,INTERVAL 00:10:00");
    EXPECT_EQ(lines[4], "RECORDS 4,,,,,,,RECORDS 4,,,,,,,RECORDS 4");
    EXPECT_TRUE(std::regex_match(lines[5], std::regex(",+"))) << lines[5];
    EXPECT_EQ(lines[6], "," + kUnits + ",," + kUnits + ",," + kUnits + ",,");
    const int sets[] = {2, 5, 9};
    for (int r = 0; r < 4; ++r) {
        const auto cells = fields(lines[7 + static_cast<std::size_t>(r)]);
        ASSERT_EQ(cells.size(), 22u) << lines[7 + static_cast<std::size_t>(r)];
        EXPECT_EQ(cells[21], "");
        for (int s = 0; s < 3; ++s) {
            EXPECT_EQ(cells[static_cast<std::size_t>(7 * s)], stamp(sets[s], r));
            for (int v = 1; v < 7; ++v) {
                const std::string& cell = cells[static_cast<std::size_t>(7 * s + v)];
                EXPECT_TRUE(std::regex_match(cell, kRecordCells[v]))
                    << "record " << r << " set " << sets[s] << " value " << v << ": " << cell;
            }
            // The totals grow by 200 and 3 from record to record.
            EXPECT_EQ(std::stol(cells[static_cast<std::size_t>(7 * s + 4)]),
                      100000L * sets[s] + 200L * r);
            EXPECT_EQ(std::stol(cells[static_cast<std::size_t>(7 * s + 5)]),
                      -(500L * sets[s] + 3L * r));
        }
    }
}

TEST_F(LoggerEndToEnd, HangUpInTheMiddleEndsTheTransferAndKeepsEveryLineWritten) {
    // Two queries of 20 bytes and set 2's 490 bytes go through; the line
    // drops in the second record of set 5.
    Simulator sim(
        ws, {"--records", "4", "--baud", "115200", "--fault", "hangup", "--hangup-after", "780"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    LoggerWindow& w = openWindow();
    const std::string document = ws.file("logger.csv");

    runTransfer({2, 5}, document);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("lost"), std::string::npos) << messages[0];
    EXPECT_EQ(titles[0], "TIDEWELL-Z");
    EXPECT_TRUE(idle());
    EXPECT_FALSE(w.transfer().running());
    EXPECT_EQ(child<QLabel>("Label4")->text(), "");

    // Set 2 whole, set 5 as far as it came: its header, its units and its
    // first record.
    const auto lines = crlfLines(document);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "TIDEWELL-Z LOGGER,,,,,,,TIDEWELL-Z LOGGER");
    EXPECT_EQ(lines[4], "RECORDS 4,,,,,,,RECORDS 4");
    EXPECT_EQ(lines[6], "," + kUnits + ",," + kUnits + ",,");
    EXPECT_EQ(fields(lines[7]).size(), 15u);
    EXPECT_EQ(fields(lines[7])[7], stamp(5, 0));
    for (int r = 0; r < 4; ++r) {
        const auto cells = fields(lines[7 + static_cast<std::size_t>(r)]);
        EXPECT_EQ(cells[0], stamp(2, r));
        EXPECT_EQ(std::stol(cells[4]), 200000L + 200L * r);
    }
    for (std::size_t r = 8; r < 11; ++r)
        EXPECT_EQ(fields(lines[r]).size(), 8u) << lines[r];
}

TEST_F(LoggerEndToEnd, HangUpRightAfterARecordsClosingLineKeepsThatRecord) {
    // The record's closing CR is the last byte; the line drops 0.5 s later.
    Simulator sim(ws, {"--records", "4", "--baud", "115200", "--hangup-after-records", "2"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    openWindow();
    const std::string document = ws.file("logger.csv");
    runTransfer({3}, document);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("lost"), std::string::npos) << messages[0];
    const auto lines = crlfLines(document);
    ASSERT_EQ(lines.size(), 5u + 1 + 1 + 2);
    EXPECT_EQ(fields(lines[7])[0], stamp(3, 0));
    EXPECT_EQ(fields(lines[8])[0], stamp(3, 1));
}

TEST_F(LoggerEndToEnd, StopXferDuringADownloadEndsQuietly) {
    Simulator sim(ws, {"--records", "40", "--baud", "9600"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    LoggerWindow& w = openWindow();
    const std::string document = ws.file("logger.csv");
    // Two queries take about 2.4 s; the download of 40 records about 5 s.
    bool sawTransferring = false;
    QTimer::singleShot(4000, [&] {
        sawTransferring = !idle();
        stopXfer(window);
    });
    runTransfer({1, 2}, document);
    EXPECT_TRUE(sawTransferring);
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_TRUE(idle());
    EXPECT_FALSE(w.transfer().running());
    EXPECT_FALSE(fs::exists(ws.root() / "program" / "Work.csv"));
    const auto lines = crlfLines(document);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[1], "SET No.01");
}

} // namespace
} // namespace tz
