// The whole road of a spreadsheet start on Linux, with nothing running
// beforehand: checks, launch of LibreOffice with the document, the request
// to accept, the wait, the link, and the cells.
#include "backends/libreoffice/calc_link.h"
#include "backends/libreoffice/desktop_shell.h"
#include "backends/libreoffice/process.h"
#include "calc_session.h"
#include "sheet/document_link.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <ctime>
#include <thread>

namespace tz::calc {
namespace {

using test::CalcSession;
using test::CellRead;
using test::readCell;

// The real clock; no window events to run.
class RealHost : public Host {
  public:
    void pumpEvents() override { ++pumps; }
    void sleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    DayNumber today() override { return static_cast<DayNumber>(std::time(nullptr) / 86400); }
    double secondsSinceMidnight() override {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        return std::fmod(std::chrono::duration<double>(now).count(), 86400.0);
    }
    std::string timeOfDayText() override { return {}; }
    WallClock wallClock() override {
        using namespace std::chrono;
        return {duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count(), 0};
    }
    void messageBox(const std::string& text, const std::string&) override {
        messages.push_back(text);
    }
    std::vector<std::string> messages;
    long pumps = 0;
};

TEST(CalcLaunch, StartWithNoOfficeRunningLinksWithinTheWait) {
    // The document exists on disk before the start, as the checks demand.
    test::TempDir made;
    const auto original = made.file("Tidewell.ods");
    CalcSession::close(test::sharedCalc().createSpreadsheet(original));

    CalcSession calc(CalcSession::Start::ByTheProgram);
    const auto path = calc.dir().file("Tidewell.ods");
    std::filesystem::copy_file(original, path);
    RealHost host;
    StopFlag stop;
    DesktopShell shell;
    CalcLink link; // pipe and office arguments from the session's environment
    DocumentLink doc(host, shell, link, stop);

    const auto t0 = std::chrono::steady_clock::now();
    const auto result = doc.checkAndLink(path, 0);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ASSERT_EQ(result, DocumentLink::Result::Linked) << "messages: " << host.messages.size();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_GT(host.pumps, 0) << "no window events ran while waiting";
    std::printf("[ info ] office started and linked in %.1f s\n", took);

    doc.writeCell(1, 1, "TIME");
    doc.writeCell(2, 2, "+0012.345");
    const auto desk = calc.desktop(10);
    const css::uno::Reference<css::container::XEnumerationAccess> all(desk->getComponents(),
                                                                      css::uno::UNO_QUERY_THROW);
    const auto e = all->createEnumeration();
    ASSERT_TRUE(e->hasMoreElements());
    const css::uno::Reference<css::lang::XComponent> loaded(e->nextElement(),
                                                            css::uno::UNO_QUERY_THROW);
    EXPECT_EQ(readCell(CalcSession::sheet(loaded), 1, 1).text, "TIME");
    EXPECT_DOUBLE_EQ(readCell(CalcSession::sheet(loaded), 2, 2).value, 12.345);

    calc.shutdown();
    EXPECT_TRUE(calc.processes().empty()) << "soffice left behind";
}

// The office an operator has open already shows windows; a later soffice
// call hands the document over to it. Its window then names the document,
// and the next start on that document is refused.
TEST(CalcLaunch, RunningCalcTakesTheDocumentAndItsWindowMarksItOpen) {
    if (findProgram("Xvfb").empty()) GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir made;
    const auto original = made.file("Tidewell.ods");
    CalcSession::close(test::sharedCalc().createSpreadsheet(original));

    test::XvfbServer x;
    ASSERT_TRUE(x.running());
    CalcSession calc(CalcSession::Start::NowVisible);
    calc.desktop(120);
    const auto path = calc.dir().file("Tidewell.ods");
    std::filesystem::copy_file(original, path);

    RealHost host;
    StopFlag stop;
    DesktopShell shell;
    CalcLink link;
    DocumentLink doc(host, shell, link, stop);
    ASSERT_EQ(doc.checkAndLink(path, 0), DocumentLink::Result::Linked);
    doc.writeCell(3, 4, "handed over");
    const auto loaded = calc.loaded(path);
    ASSERT_TRUE(loaded.is());
    EXPECT_EQ(readCell(CalcSession::sheet(loaded), 3, 4).text, "handed over");

    // The start waited for Calc's window before it raised the transfer
    // window, which would otherwise end up underneath.
    EXPECT_TRUE(shell.findWindow("Tidewell.ods - LibreOffice Calc"));
    RealHost second;
    CalcLink otherLink;
    DocumentLink again(second, shell, otherLink, stop);
    EXPECT_EQ(again.checkAndLink(path, 0), DocumentLink::Result::Refused);
    ASSERT_EQ(second.messages.size(), 1u);
    EXPECT_EQ(second.messages[0], DocumentLink::alreadyOpenedMessage("Tidewell.ods"));

    calc.shutdown();
    EXPECT_TRUE(calc.processes().empty()) << "soffice left behind";
}

} // namespace
} // namespace tz::calc
