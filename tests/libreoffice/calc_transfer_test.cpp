// Both transfers end to end into a real Calc: the Qt serial port against
// tidewell-sim on a pseudo-terminal, the on-line and logger logic, the
// document checks, launch and link, and the cells. What the workbook holds
// must be what the CSV output of the same data holds.
#include "app/globals.h"
#include "backends/libreoffice/calc_link.h"
#include "backends/libreoffice/desktop_shell.h"
#include "backends/qt/qt_host.h"
#include "backends/qt/qt_serial_control.h"
#include "backends/qt/qt_timer.h"
#include "calc_session.h"
#include "logger/logger_transfer.h"
#include "online/command_table.h"
#include "online/csv_sink.h"
#include "online/online_transfer.h"
#include "online/workbook_sink.h"
#include "sheet/document_link.h"

#include "fake_views.h"

#include <QApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <set>
#include <sys/wait.h>

namespace tz::calc {
namespace {

using test::CalcSession;
using test::CellRead;
using test::readCell;
using test::ScopedEnv;
using test::TempDir;

void ensureApplication() {
    if (QCoreApplication::instance()) return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "tz_calc_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives as long as the test program
}

// tidewell-sim publishing COM1 in the configuration folder of the test.
class Simulator {
  public:
    explicit Simulator(std::vector<std::string> args) {
        args.insert(args.begin(), TZ_SIM_PATH);
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = test::Spawn().dup(out[1], 1).close(out[0]).run(args);
        ::close(out[1]);
        if (pid_) banner_ = test::readLineFrom(out[0], 10);
        ::close(out[0]);
    }
    ~Simulator() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status;
        ::waitpid(pid_, &status, 0);
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;
    bool ready() const { return banner_.find("COM1 -> ") != std::string::npos; }
    const std::string& banner() const { return banner_; }

  private:
    pid_t pid_ = 0;
    std::string banner_;
};

class QuietLoggerView : public LoggerView {
  public:
    void enterIdle() override {}
    void enterTransferring() override {}
    void setStatus1(const std::string&) override {}
    void setStatus2(const std::string&) override {}
};

std::vector<std::string> csvLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < all.size();) {
        const auto end = all.find("\r\n", at);
        if (end == std::string::npos) break;
        lines.push_back(all.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out(1);
    for (char c : line) {
        if (c == ',')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// The instrument's numbers, as an operator reads them.
std::optional<double> plainNumber(const std::string& text) {
    static const std::regex number(R"(\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*)");
    if (!std::regex_match(text, number)) return std::nullopt;
    return std::stod(text);
}

// Every field of every CSV line is the cell at that row and column: empty,
// the same number, or the same text; nothing lies beyond.
void expectSheetHolds(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet,
                      const std::vector<std::string>& lines) {
    std::size_t widest = 0;
    for (std::size_t r = 0; r < lines.size(); ++r) {
        const auto f = fields(lines[r]);
        widest = std::max(widest, f.size());
        const int row = static_cast<int>(r) + 1;
        for (std::size_t c = 0; c <= f.size(); ++c) {
            const int col = static_cast<int>(c) + 1;
            const CellRead cell = readCell(sheet, row, col);
            SCOPED_TRACE("R" + std::to_string(row) + "C" + std::to_string(col));
            if (c == f.size() || f[c].empty()) {
                EXPECT_EQ(cell.kind, CellRead::Empty) << cell.text;
            } else if (const auto n = plainNumber(f[c])) {
                EXPECT_EQ(cell.kind, CellRead::Value) << cell.text << " for " << f[c];
                EXPECT_DOUBLE_EQ(cell.value, *n);
            } else {
                EXPECT_EQ(cell.kind, CellRead::Text);
                EXPECT_EQ(cell.text, f[c]);
            }
        }
    }
    for (std::size_t c = 1; c <= widest + 1; ++c)
        EXPECT_EQ(readCell(sheet, static_cast<int>(lines.size()) + 1, static_cast<int>(c)).kind,
                  CellRead::Empty);
}

// The Qt event loop for up to `seconds`, until `done`.
bool runEventsUntil(const std::function<bool()>& done, double seconds) {
    return test::waitFor(
        [&] {
            QCoreApplication::processEvents();
            return done();
        },
        seconds);
}

class TransferIntoCalc : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureApplication();
        std::filesystem::create_directories(dir.path() / "program");
        host.setMessageBoxHook(
            [this](const std::string& text, const std::string&) { messages.push_back(text); });
    }
    void TearDown() override { calc.closeAll(); }

    Globals globalsFor(int saveFormat) {
        Globals g;
        g.CommSettings = "9600,N,8,1";
        g.ParamName[1] = "Flow";
        g.ParamName[2] = "Velocity";
        g.PortNo = 1;
        g.SaveFormat = saveFormat;
        g.ProgramFolder = (dir.path() / "program").string();
        return g;
    }

    // A workbook the office holds already. The transfer's launch hands it
    // over again, which a headless office ignores (the road through a
    // launch is the business of the launch tests); the link finds it.
    std::string workbook(const std::string& name) {
        const auto path = dir.file(name);
        calc.createWorkbook(path);
        return path;
    }

    // The workbook after the transfer: stored by the office, loaded again.
    css::uno::Reference<css::sheet::XSpreadsheet> storedSheet(const std::string& path) {
        const auto doc = calc.loaded(path);
        if (!doc.is()) throw std::runtime_error("the transfer left " + path + " unloaded");
        CalcSession::store(doc);
        CalcSession::close(doc);
        return CalcSession::sheet(calc.load(path));
    }

    // An on-line transfer of `rows` rows (the header included) on a fresh
    // simulator, into `document`.
    void runOnline(int saveFormat, const std::string& document, long long rows) {
        Simulator sim({"--seed", "7", "--once"});
        ASSERT_TRUE(sim.ready()) << sim.banner();
        Globals g = globalsFor(saveFormat);
        QtSerialControl port;
        QtTimer timer;
        fake::FakeOnlineView view;
        const CommandTable table = buildCommandTable(g.ParamName);
        OnlineRequest request;
        request.portNo = g.PortNo;
        request.lineSettings = g.CommSettings;
        request.toWorkbook = g.SaveFormat == 1;
        request.commands = table.commands;
        request.paramIndex = 0;
        request.paramText = table.names[0];
        request.intervalDigits = "000002";
        request.documentPath = document;
        DesktopShell shell;
        CalcLink link;
        StopFlag stop;
        DocumentLink doc(host, shell, link, stop);
        if (request.toWorkbook)
            request.sinks.push_back(std::make_shared<WorkbookSink>(doc, document, 0));
        else
            request.sinks.push_back(std::make_shared<CsvDocumentSink>(document));
        OnlineTransfer transfer(host, port, view, timer, stop);
        transfer.start(request);
        ASSERT_TRUE(transfer.running()) << (messages.empty() ? "" : messages.back());
        EXPECT_TRUE(runEventsUntil([&] { return transfer.rowCount() >= rows; }, 60));
        transfer.stopXfer();
        EXPECT_EQ(transfer.rowCount(), rows);
    }

    void runLogger(int saveFormat, const std::string& document) {
        Simulator sim({"--seed", "7", "--once", "--records", "3", "--baud", "38400", "--set-state",
                       "all=empty", "--set-state", "2=data", "--set-state", "5=data"});
        ASSERT_TRUE(sim.ready()) << sim.banner();
        Globals g = globalsFor(saveFormat);
        QtSerialControl port;
        QuietLoggerView view;
        LoggerRequest request;
        request.portNo = g.PortNo;
        request.lineSettings = g.CommSettings;
        request.toWorkbook = g.SaveFormat == 1;
        request.ticked[2] = request.ticked[5] = true;
        request.documentPath = document;
        request.workFolder = g.ProgramFolder;
        DesktopShell shell;
        CalcLink link;
        StopFlag stop;
        DocumentLink doc(host, shell, link, stop);
        LoggerTransfer transfer(host, port, view, doc, stop);
        transfer.start(request);
        EXPECT_FALSE(transfer.running());
    }

    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir.file("config")};
    CalcSession& calc = test::sharedCalc();
    QtHost host;
    std::vector<std::string> messages;
};

TEST_F(TransferIntoCalc, OnlinePollsFillTheWorkbookAsTheyFillTheCsvDocument) {
    const auto xls = workbook("Online.xls");
    const auto csv = dir.file("Online.csv");
    runOnline(1, xls, 4);
    runOnline(0, csv, 4);
    EXPECT_THAT(messages, ::testing::IsEmpty());

    const auto lines = csvLines(csv);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "TIME,Flow");
    const auto sheet = storedSheet(xls);
    EXPECT_EQ(readCell(sheet, 1, 1).text, "TIME");
    EXPECT_EQ(readCell(sheet, 1, 2).text, "Flow");
    // Same instrument values; the poll times come from two runs, so only
    // their shape must agree, and they stay text.
    const std::regex digit("\\d");
    for (int row = 2; row <= 4; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        const auto f = fields(lines[row - 1]);
        ASSERT_EQ(f.size(), 2u);
        const CellRead time = readCell(sheet, row, 1);
        EXPECT_EQ(time.kind, CellRead::Text);
        EXPECT_FALSE(time.text.empty());
        EXPECT_EQ(std::regex_replace(time.text, digit, "9"), std::regex_replace(f[0], digit, "9"));
        const CellRead value = readCell(sheet, row, 2);
        ASSERT_EQ(value.kind, CellRead::Value) << value.text;
        ASSERT_TRUE(plainNumber(f[1])) << f[1];
        EXPECT_DOUBLE_EQ(value.value, *plainNumber(f[1]));
    }
    EXPECT_EQ(readCell(sheet, 5, 1).kind, CellRead::Empty);
    EXPECT_EQ(readCell(sheet, 5, 2).kind, CellRead::Empty);
}

TEST_F(TransferIntoCalc, LoggerSetsFillTheWorkbookAsTheyFillTheCsvDocument) {
    const auto ods = dir.file("Logger.ods");
    calc.createSpreadsheet(ods);
    const auto csv = dir.file("Logger.csv");
    runLogger(1, ods);
    runLogger(0, csv);
    EXPECT_THAT(messages, ::testing::IsEmpty());

    const auto lines = csvLines(csv);
    // Five header lines, the empty line, the units and three records.
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(fields(lines[1])[0], "SET No.02");
    EXPECT_EQ(fields(lines[1])[7], "SET No.05"); // the second set starts in column 8
    expectSheetHolds(storedSheet(ods), lines);
}

} // namespace
} // namespace tz::calc
