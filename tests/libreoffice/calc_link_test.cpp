// The link against a real, headless LibreOffice Calc.
#include "backends/libreoffice/calc_link.h"
#include "backends/libreoffice/desktop_shell.h"
#include "calc_session.h"
#include "platform/failure.h"

#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace tz::calc {
namespace {

using test::CalcSession;
using test::CellRead;
using test::readCell;
using ::testing::HasSubstr;

void poke(SheetLink& link, int row, int col, const std::string& text) {
    link.writeCell(row, col, text);
}

// Tests on the office of the run; each leaves no document loaded.
class RealCalc : public ::testing::Test {
  protected:
    void TearDown() override { calc.closeAll(); }
    test::TempDir dir;
    CalcSession& calc = test::sharedCalc();
};

TEST_F(RealCalc, CellsArriveAsNumbersOrTextAndSurviveStoring) {
    const auto path = dir.file("Tidewell Direct #1.ods");
    auto doc = calc.createSpreadsheet(path);

    CalcLink link({calc.pipe(), false});
    link.open(path);
    ASSERT_TRUE(link.isOpen());
    poke(link, 1, 1, "TIME");
    poke(link, 1, 2, " -DI");
    poke(link, 2, 1, "12:00:01");
    poke(link, 2, 2, "+0012.345");
    poke(link, 3, 1, "06/01/23");
    poke(link, 3, 2, "=1+1");
    poke(link, 4, 2, "Durchfluß m³/h");
    poke(link, 12, 2, "-7");
    poke(link, 5, 1, "");

    CalcSession::store(doc);
    CalcSession::close(doc);
    const auto again = calc.load(path);
    const auto sheet = CalcSession::sheet(again);

    EXPECT_EQ(readCell(sheet, 1, 1).text, "TIME");
    EXPECT_EQ(readCell(sheet, 1, 2).text, " -DI");
    EXPECT_EQ(readCell(sheet, 1, 2).kind, CellRead::Text);
    EXPECT_EQ(readCell(sheet, 2, 1).kind, CellRead::Text);
    EXPECT_EQ(readCell(sheet, 2, 1).text, "12:00:01");
    EXPECT_EQ(readCell(sheet, 2, 2).kind, CellRead::Value);
    EXPECT_DOUBLE_EQ(readCell(sheet, 2, 2).value, 12.345);
    EXPECT_EQ(readCell(sheet, 3, 1).kind, CellRead::Text);
    EXPECT_EQ(readCell(sheet, 3, 1).text, "06/01/23");
    EXPECT_EQ(readCell(sheet, 3, 2).kind, CellRead::Text);
    EXPECT_EQ(readCell(sheet, 3, 2).text, "=1+1");
    EXPECT_EQ(readCell(sheet, 4, 2).text, "Durchfluß m³/h");
    EXPECT_EQ(readCell(sheet, 12, 2).kind, CellRead::Value);
    EXPECT_DOUBLE_EQ(readCell(sheet, 12, 2).value, -7.0);
    EXPECT_EQ(readCell(sheet, 5, 1).kind, CellRead::Empty);
    EXPECT_EQ(readCell(sheet, 12, 1).kind, CellRead::Empty);
}

TEST_F(RealCalc, DocumentNotLoadedIsNoAnswerYet) {
    const auto loaded = dir.file("loaded.ods");
    calc.createSpreadsheet(loaded);
    const auto other = dir.file("other.ods");
    CalcLink link({calc.pipe(), false});
    try {
        link.open(other);
        FAIL() << "linked to a document that is not loaded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::NoDdeAnswer);
    }
}

TEST_F(RealCalc, DocumentIsFoundThroughAnotherSpellingOfItsPath) {
    const auto path = dir.file("spelled.ods");
    calc.createSpreadsheet(path);
    std::filesystem::create_directory_symlink(dir.path(), dir.file("via"));
    CalcLink link({calc.pipe(), false});
    EXPECT_NO_THROW(link.open(dir.file("via") + "/./spelled.ods"));
}

TEST_F(RealCalc, CellOutsideTheSheetIsAClearFailure) {
    const auto path = dir.file("edge.ods");
    calc.createSpreadsheet(path);
    CalcLink link({calc.pipe(), false});
    link.open(path);
    try {
        link.writeCell(1, 100000, "x");
        FAIL() << "wrote outside the sheet";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::Other);
        EXPECT_THAT(f.description(), HasSubstr("R1C100000"));
    }
}

TEST_F(RealCalc, DocumentClosedInCalcLosesTheLinkWithAMessage) {
    const auto path = dir.file("closed.ods");
    auto doc = calc.createSpreadsheet(path);
    CalcLink link({calc.pipe(), false});
    link.open(path);
    poke(link, 1, 1, "before");
    CalcSession::close(doc);
    try {
        poke(link, 2, 1, "after");
        FAIL() << "poke into a closed document succeeded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::Other);
        EXPECT_THAT(f.description(), HasSubstr("lost"));
        EXPECT_THAT(f.description(), HasSubstr(path));
    }
    EXPECT_FALSE(link.isOpen());
}

TEST(OwnCalc, CalcEndingLosesTheLinkWithAMessage) {
    CalcSession calc;
    const auto path = calc.dir().file("crash.ods");
    calc.createSpreadsheet(path);
    CalcLink link({calc.pipe(), false});
    link.open(path);
    poke(link, 1, 1, "before");
    calc.kill();
    try {
        poke(link, 2, 1, "after");
        FAIL() << "poke into a dead office succeeded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::Other);
        EXPECT_THAT(f.description(), HasSubstr("lost"));
    }
    // Asking again is a wait for an office that may come back, not a crash.
    try {
        link.open(path);
        FAIL() << "linked to a dead office";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::NoDdeAnswer);
    }
    calc.shutdown();
    EXPECT_TRUE(calc.processes().empty()) << "soffice left behind";
}

TEST_F(RealCalc, SheetInViewReceivesTheCells) {
    const auto path = dir.file("two sheets.ods");
    auto doc = calc.createSpreadsheet(path);
    const css::uno::Reference<css::sheet::XSpreadsheetDocument> d(doc, css::uno::UNO_QUERY_THROW);
    d->getSheets()->insertNewByName("Second", 1);
    CalcLink link({calc.pipe(), false});
    link.open(path);
    poke(link, 1, 1, "here");
    // A hidden document has no view: the first sheet takes the cells.
    EXPECT_EQ(readCell(CalcSession::sheet(doc, 0), 1, 1).text, "here");
    EXPECT_EQ(readCell(CalcSession::sheet(doc, 1), 1, 1).kind, CellRead::Empty);
}

} // namespace
} // namespace tz::calc
