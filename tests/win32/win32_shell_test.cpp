// The shell and the window lookup against Wine's desktop.
#include "backends/win32/win32_shell.h"

#include "backends/win32/shell_record.h"
#include "dde_log.h"
#include "platform/failure.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tz::test {
namespace {

using win32::Win32Shell;

TEST(ShellOpenRecord, KeepsTheProcessAndShowsANormalWindowWithThePlatformSize) {
    const char* file = "C:\\Tidewell\\Tidewell.xls";
    const SHELLEXECUTEINFOA r = win32::openRecord(file, 0x1234);
    EXPECT_EQ(r.cbSize, sizeof(SHELLEXECUTEINFOA));
    static_assert(sizeof(void*) != 8 || sizeof(SHELLEXECUTEINFOA) == 112);
    EXPECT_EQ(r.fMask, 64u);
    EXPECT_EQ(r.hwnd, reinterpret_cast<HWND>(0x1234));
    ASSERT_NE(r.lpVerb, nullptr);
    EXPECT_STREQ(r.lpVerb, "open");
    EXPECT_EQ(r.lpFile, file);
    EXPECT_TRUE(r.lpParameters == nullptr || std::strlen(r.lpParameters) == 0);
    EXPECT_TRUE(r.lpDirectory == nullptr || std::strlen(r.lpDirectory) == 0);
    EXPECT_EQ(r.nShow, 1);
}

class Desktop : public ::testing::Test {
  protected:
    void SetUp() override { stopAllFakeExcel(); }
    void TearDown() override { stopAllFakeExcel(); }
    Win32Shell shell;
};

TEST_F(Desktop, FindWindowNeedsTheWholeTitle) {
    TitledWindow w("Microsoft Excel - Book1.xls");
    EXPECT_TRUE(shell.findWindow("Microsoft Excel - Book1.xls"));
    EXPECT_FALSE(shell.findWindow("Microsoft Excel - Book1"));
    EXPECT_FALSE(shell.findWindow("Microsoft Excel - Book1.xlsx"));
}

TEST_F(Desktop, FindWindowSeesOtherProgramsWindows) {
    ServerLog log;
    FakeExcel server(log, {"--title", "Microsoft Excel - Tidewell.xls"});
    ASSERT_TRUE(server.waitReady());
    EXPECT_TRUE(shell.findWindow("Microsoft Excel - Tidewell.xls"));
    server.stop();
    EXPECT_FALSE(shell.findWindow("Microsoft Excel - Tidewell.xls"));
}

TEST_F(Desktop, ActivatePrefersTheExactTitleToALongerOne) {
    TitledWindow exact("TIDEWELL-Z");
    TitledWindow longer("TIDEWELL-Z  (F1:HELP)"); // created last: first in the desktop's order
    shell.activate("TIDEWELL-Z");
    EXPECT_EQ(GetForegroundWindow(), exact.hwnd());
}

TEST_F(Desktop, ActivateFallsBackToATitleThatBeginsWithTheText) {
    TitledWindow other("Notepad");
    TitledWindow frame("TIDEWELL-Z  (F1:HELP)");
    TitledWindow last("Calculator");
    shell.activate("TIDEWELL-Z");
    EXPECT_EQ(GetForegroundWindow(), frame.hwnd());
}

TEST_F(Desktop, ActivateSkipsHiddenWindows) {
    TitledWindow hidden("TIDEWELL-Z", false);
    TitledWindow frame("TIDEWELL-Z  (F1:HELP)");
    TitledWindow last("Calculator");
    shell.activate("TIDEWELL-Z");
    EXPECT_EQ(GetForegroundWindow(), frame.hwnd());
}

TEST_F(Desktop, ActivateWithoutSuchAWindowFails) {
    TitledWindow other("Notepad");
    try {
        shell.activate("TIDEWELL-Z");
        FAIL() << "activated a window that does not exist";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::Other);
        EXPECT_NE(f.description().find("TIDEWELL-Z"), std::string::npos) << f.description();
        EXPECT_NE(f.description().find("not found"), std::string::npos) << f.description();
    }
}

TEST_F(Desktop, OpenDocumentStartsTheAssociatedProgramWithoutWaitingForIt) {
    const std::string problem = ensureXlsAssociation();
    ASSERT_TRUE(problem.empty()) << problem;
    ScratchFolder folder;
    const std::string doc = folder.touch("Tidewell.xls");
    ServerLog log;
    FakeExcelEnvironment env(log, 4000);

    TitledWindow owner("TIDEWELL-Z  (F1:HELP)");
    shell.openDocument(doc, reinterpret_cast<WindowHandle>(owner.hwnd()));
    // The program is still holding back its DDE name: nothing waited for it.
    EXPECT_TRUE(log.lines("READY").empty());

    ASSERT_TRUE(log.waitFor("START"));
    const auto start = splitFields(log.lines("START").at(0));
    ASSERT_EQ(start.size(), 3u);
    EXPECT_EQ(start[2], escapeBytes(doc));
    // It shows the workbook the way the already-open check looks for it.
    ASSERT_TRUE(log.waitFor("READY"));
    EXPECT_TRUE(shell.findWindow("Microsoft Excel - Tidewell.xls"));
}

} // namespace
} // namespace tz::test
