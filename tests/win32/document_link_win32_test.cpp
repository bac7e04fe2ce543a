// The spreadsheet output of a transfer window with the Windows backend:
// document checks, launch through the shell, retried link, cell writes.
#include "sheet/document_link.h"

#include "backends/win32/dde_sheet_link.h"
#include "backends/win32/win32_shell.h"
#include "dde_log.h"
#include "platform/failure.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tz::test {
namespace {

// Counts the link attempts the retry makes, and how each ended.
class CountingLink : public SheetLink {
  public:
    void open(const std::string& path) override {
        try {
            inner.open(path);
            ++linked;
        } catch (const Failure& f) {
            if (f.code() == FailureCode::NoDdeAnswer) ++noAnswer;
            throw;
        }
    }
    void close() noexcept override { inner.close(); }
    bool isOpen() const override { return inner.isOpen(); }
    void writeCell(int row, int col, const std::string& t) override {
        inner.writeCell(row, col, t);
    }

    win32::DdeSheetLink inner;
    int noAnswer = 0;
    int linked = 0;
};

// Notes which window was in front right after each activation: the
// spreadsheet program's own window may take the front later, as Excel does.
class WatchedShell : public Shell {
  public:
    bool findWindow(const std::string& t) override { return inner.findWindow(t); }
    void openDocument(const std::string& p, WindowHandle owner) override {
        inner.openDocument(p, owner);
    }
    void activate(const std::string& t) override {
        inner.activate(t);
        frontAfterActivate.push_back(GetForegroundWindow());
    }

    win32::Win32Shell inner;
    std::vector<HWND> frontAfterActivate;
};

class WorkbookLink : public ::testing::Test {
  protected:
    void SetUp() override { stopAllFakeExcel(); }
    void TearDown() override { stopAllFakeExcel(); }

    std::string pokeLine(const std::string& item, const std::string& data) const {
        return "POKE\t" + escapeBytes(doc) + "\t" + item + "\t" + escapeBytes(data);
    }

    StopFlag stop;
    RealHost host;
    WatchedShell shell;
    CountingLink link;
    DocumentLink documents{host, shell, link, stop};
    ScratchFolder folder;
    std::string doc = folder.touch("Tidewell.xls");
    ServerLog log;
};

TEST_F(WorkbookLink, LaunchesTheWorkbookAndLinksOnceTheProgramAnswers) {
    const std::string problem = ensureXlsAssociation();
    ASSERT_TRUE(problem.empty()) << problem;
    FakeExcelEnvironment env(log, 1500); // a spreadsheet program slow to start
    TitledWindow other("Notepad");
    TitledWindow frame("TIDEWELL-Z  (F1:HELP)");
    TitledWindow last("Calculator");
    documents.retryPauseMs = 100;

    ASSERT_EQ(documents.checkAndLink(doc, reinterpret_cast<WindowHandle>(frame.hwnd())),
              DocumentLink::Result::Linked);
    EXPECT_GE(link.noAnswer, 1);
    EXPECT_EQ(link.linked, 1);
    EXPECT_GT(host.sleptMs, 0);
    EXPECT_TRUE(host.messages.empty());
    // The transfer window came back to the front after the launch.
    EXPECT_EQ(shell.frontAfterActivate, std::vector<HWND>{frame.hwnd()});

    // Started once, with the document, and linked to the path as typed.
    ASSERT_EQ(log.lines("START").size(), 1u);
    EXPECT_EQ(splitFields(log.lines("START")[0]).at(2), escapeBytes(doc));
    EXPECT_EQ(log.lines("CONNECT"), std::vector<std::string>{"CONNECT\t" + escapeBytes(doc)});

    documents.writeCell(1, 1, "TIME");
    documents.writeCell(1, 2, "Flow rate");
    documents.writeCell(2, 1, "10:00:00");
    documents.writeCell(2, 2, "+1234.567");
    EXPECT_EQ(log.lines("POKE"), (std::vector<std::string>{
                                     pokeLine("R1C1", "TIME"),
                                     pokeLine("R1C2", "Flow rate"),
                                     pokeLine("R2C1", "10:00:00"),
                                     pokeLine("R2C2", "+1234.567"),
                                 }));
}

TEST_F(WorkbookLink, WorkbookThatExcelShowsIsRefusedByItsWindowTitle) {
    for (const std::string title :
         {"Microsoft Excel - Tidewell.xls", "Microsoft Excel - Tidewell"}) {
        ServerLog serverLog;
        FakeExcel server(serverLog, {"--title", title});
        ASSERT_TRUE(server.waitReady()) << title;
        host.messages.clear();

        EXPECT_EQ(documents.checkAndLink(doc, 0), DocumentLink::Result::Refused) << title;
        ASSERT_EQ(host.messages.size(), 1u) << title;
        EXPECT_EQ(host.messages[0].text,
                  "Tidewell.xls is already opened.\r\n"
                  "Push \"Start Transfer!\" again after closing Tidewell.xls");
        EXPECT_EQ(host.messages[0].title, "TIDEWELL-Z");
        EXPECT_FALSE(link.isOpen());
        server.stop();
        // Nothing was launched and no conversation was opened.
        EXPECT_EQ(serverLog.lines("START").size(), 1u) << title;
        EXPECT_TRUE(serverLog.lines("CONNECT").empty()) << title;
    }
}

TEST_F(WorkbookLink, MissingDocumentIsRefusedBeforeAnyLaunch) {
    ServerLog serverLog;
    FakeExcelEnvironment env(serverLog);
    EXPECT_EQ(documents.checkAndLink(folder.path() + "Missing.xls", 0),
              DocumentLink::Result::Refused);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "File does not exist.\r\nAn error of an Application document.\r\n" + folder.path() +
                  "Missing.xls");
    Sleep(300);
    EXPECT_TRUE(serverLog.lines().empty()); // no program was started
}

} // namespace
} // namespace tz::test
