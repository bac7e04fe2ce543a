// What a download becomes: header, unit and value cells in the workbook,
// and the side-by-side CSV document merged through the work file.
#include "logger_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

namespace tz::logger_test {
namespace {

using ::testing::ElementsAre;
using Poke = fake::FakeSheetLink::Poke;

using Cells = std::map<std::pair<int, int>, std::string>;

// The records example: two header lines, two records of three value lines.
const std::string kExample = crLines({"H1", "H2", "", "t1", "+1234.567 m3/h", " FLOW  +12.345 m/s",
                                      "", "t2", "+2345.678 m3/h", " FLOW  +23.456 m/s", ""});

// A record: an unsigned first line, then `values - 1` signed lines whose
// values are +000k.000 and whose units are <unit>k.
std::vector<std::string> record(const std::string& first, int values, int from = 1,
                                const std::string& unit = "u") {
    std::vector<std::string> lines{first};
    for (int k = from; k < from + values - 1; ++k) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "+%04d.000 %s%d", k, unit.c_str(), k - from + 1);
        lines.push_back(buf);
    }
    lines.push_back("");
    return lines;
}

std::string setText(const std::vector<std::string>& header,
                    const std::vector<std::vector<std::string>>& records) {
    std::vector<std::string> lines = header;
    lines.push_back("");
    for (const auto& r : records)
        lines.insert(lines.end(), r.begin(), r.end());
    return crLines(lines);
}

void runSets(Rig& rig, const std::vector<std::string>& sets) {
    for (std::size_t i = 0; i < sets.size(); ++i)
        rig.setWithData(static_cast<int>(i) + 1, sets[i]);
    rig.start();
    ASSERT_TRUE(rig.host.messages.empty()) << rig.host.messages[0].text;
}

TEST(LoggerCsv, RecordsExampleGivesTheDocumentLineForLineInPlaceOfTheOldOne) {
    Rig rig;
    std::ofstream(rig.view.document) << "yesterday's rows\r\nmore\r\n";
    runSets(rig, {kExample});
    EXPECT_EQ(rig.documentBytes(), "H1\r\nH2\r\n,\r\n,m3/h,( FLOW ) m/s,,\r\n"
                                   " t1,+1234.567,+12.345,\r\n"
                                   " t2,+2345.678,+23.456,\r\n");
    EXPECT_EQ(rig.transfer.nextCol(), 4);
}

TEST(LoggerSheet, RecordsExampleGivesTheCellsOneByOne) {
    Rig rig(1);
    runSets(rig, {kExample});
    EXPECT_THAT(rig.link.pokes, ElementsAre(Poke{"R1C1", "H1"}, Poke{"R2C1", "H2"},
                                            Poke{"R5C1", " t1"}, Poke{"R4C2", "m3/h"},
                                            Poke{"R5C2", "+1234.567"}, Poke{"R4C3", "( FLOW ) m/s"},
                                            Poke{"R5C3", "+12.345"}, Poke{"R6C1", " t2"},
                                            Poke{"R6C2", "+2345.678"}, Poke{"R6C3", "+23.456"}));
    EXPECT_EQ(rig.transfer.nextCol(), 4);
    EXPECT_FALSE(fs::exists(rig.view.document + ".csv"));
}

TEST(LoggerCsv, LastValueLineWhoseCrEndsTheDownloadIsKept) {
    Rig rig;
    runSets(rig, {kExample.substr(0, kExample.size() - 1)}); // without the last empty line
    const auto lines = rig.documentLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[5], " t2,+2345.678,+23.456,");
}

// How sets of different shapes stand side by side in the document.
TEST(LoggerCsv, SetsStandSideBySideWhateverTheirShapes) {
    const std::string a = "+0001.000,+0002.000,+0003.000,+0004.000,+0005.000,+0006.000,";
    const std::string b = "+0007.000,+0008.000,+0009.000,+0010.000,+0011.000,+0012.000,";
    struct Case {
        const char* what;
        std::vector<std::string> sets;
        std::vector<std::string> lines;
        int nextCol; // 0: not asked
    };
    const Case cases[] = {
        {"two sets of seven-value records",
         {setText({"A"}, {record("a1", 7), record("a2", 7)}),
          setText({"B"},
                  {record("b1", 7, 7, "w"), record("b2", 7, 7, "w"), record("b3", 7, 7, "w")})},
         {"A,,,,,,,B", ",,,,,,,,", ",u1,u2,u3,u4,u5,u6,,w1,w2,w3,w4,w5,w6,,",
          " a1," + a + " b1," + b, " a2," + a + " b2," + b, ",,,,,,, b3," + b},
         15},
        {"later set with more header lines and records",
         {setText({"A"}, {record("a1", 3), record("a2", 3)}),
          setText({"B1", "B2", "B3"},
                  {record("b1", 2, 3, "w"), record("b2", 2, 3, "w"), record("b3", 2, 3, "w")})},
         {"A,,,B1", ",,,B2", ",u1,u2,B3", " a1,+0001.000,+0002.000,,",
          " a2,+0001.000,+0002.000,,w1,,", ",,, b1,+0003.000,", ",,, b2,+0003.000,",
          ",,, b3,+0003.000,"},
         6},
        {"shorter later set keeps the earlier set's rows",
         {setText({"A"}, {record("a1", 2), record("a2", 2), record("a3", 2)}),
          setText({"B"}, {record("b1", 2, 5, "w")})},
         {"A,,B", ",,,", ",u1,,w1,,", " a1,+0001.000, b1,+0005.000,", " a2,+0001.000,",
          " a3,+0001.000,"},
         0},
        {"records of more than seven values start in column one",
         {setText({"A"}, {record("a1", 9)}), setText({"B"}, {record("b1", 2, 9, "w")})},
         {"A,,,,,,,,,B", ",,,,,,,,,,", ",u1,u2,u3,u4,u5,u6,u7,u8,,w1,,",
          " a1,+0001.000,+0002.000,+0003.000,+0004.000,+0005.000,+0006.000,+0007.000,+0008.000,"
          " b1,+0009.000,"},
         12},
        // B's header cell is written over by C's, as in the workbook.
        {"set without records leaves its columns to the next",
         {setText({"A"}, {record("a1", 3), record("a2", 3)}), setText({"B"}, {}),
          setText({"C"}, {record("c1", 2, 3, "w")})},
         {"A,,,C", ",,,,", ",u1,u2,,w1,,", " a1,+0001.000,+0002.000, c1,+0003.000,",
          " a2,+0001.000,+0002.000,"},
         6},
        {"first set without records gives column one to the next",
         {setText({"A"}, {}), setText({"B"}, {record("b1", 2)})},
         {"B", ",", ",u1,,", " b1,+0001.000,"},
         3},
        {"an empty line at the end of a set does not move the next back",
         {setText({"A"}, {record("a1", 2)}) + "\r", setText({"B"}, {record("b1", 2)})},
         {"A,,B", ",,,", ",u1,,u1,,", " a1,+0001.000, b1,+0001.000,"},
         0},
        {"an empty record in the middle keeps its row",
         {setText({"A"}, {record("a1", 2), {""}, record("a3", 2)})},
         {"A", ",", ",u1,,", " a1,+0001.000,", "", " a3,+0001.000,"},
         0},
        {"a header line with commas spreads over fields",
         {setText({"Site,North"}, {record("a1", 3)}), setText({"B"}, {record("b1", 2)})},
         {"Site,North,,B", ",,,,", ",u1,u2,,u1,,", " a1,+0001.000,+0002.000, b1,+0001.000,"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        runSets(rig, c.sets);
        EXPECT_EQ(rig.documentLines(), c.lines);
        if (c.nextCol) {
            EXPECT_EQ(rig.transfer.nextCol(), c.nextCol);
        }
    }
}

TEST(LoggerOutputs, LineFeedsNeverReachACellAndTheRowsOfLaterSetsStayAligned) {
    const std::vector<std::string> sets{setText({"H1\nmore"}, {{"a1", "+12\n34.5 m3", ""}}),
                                        setText({"B"}, {{"b1", "\n\n\n+0001.000 u1", ""}})};
    Rig csv;
    runSets(csv, sets);
    EXPECT_THAT(csv.documentLines(),
                ElementsAre("H1more,,B", ",,,", ",m3,,u1,,", " a1,+1234.5 m, b1,+0001.000,"));
    Rig sheet(1);
    runSets(sheet, sets);
    for (const auto& [item, text] : sheet.link.pokes)
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << item;
    EXPECT_EQ(withoutEmpty(sheet.link.cells()), csvCells(csv.documentLines()));
}

// The work file lives beside the settings: the program folder, or the
// configuration folder of an installed program that cannot write beside
// itself.
TEST(LoggerCsv, WorkFileHoldsTheDocumentBeforeEachLaterSetAndGoesAtTheEnd) {
    for (bool installed : {false, true}) {
        SCOPED_TRACE(installed ? "installed" : "portable");
        Rig rig;
        std::string work = rig.workPath();
        if (installed) {
            fs::create_directories(rig.dir / "config");
            rig.globals.SettingsFolder = (rig.dir / "config").string();
            work = (rig.dir / "config" / "Work.csv").string();
        }
        std::string workDuringSecondSet;
        rig.afterSending("LD02", [&] { workDuringSecondSet = test::readFile(work); });
        runSets(rig, {kExample, setText({"B"}, {record("b1", 2)})});
        EXPECT_EQ(workDuringSecondSet, "H1\r\nH2\r\n,\r\n,m3/h,( FLOW ) m/s,,\r\n"
                                       " t1,+1234.567,+12.345,\r\n"
                                       " t2,+2345.678,+23.456,\r\n");
        EXPECT_FALSE(fs::exists(work));
    }
}

TEST(LoggerCsv, ConvertedRowsReachTheDiskWhileTheLineIsQuiet) {
    Rig rig;
    rig.view.ticked = {1};
    rig.replyAtOnce("LF01", "No.01\r");
    rig.reply("LD01", {{0.05, crLines({"A", "", "a1", "+0001.000 u1", ""})},
                       {0.6, crLines({"a2", "+0002.000 u1", ""})}});
    std::string onDiskInThePause;
    rig.afterSending("LD01",
                     [&] { rig.host.after(0.4, [&] { onDiskInThePause = rig.documentBytes(); }); });
    rig.start();
    // The first record's closing line came before the pause: it is there.
    EXPECT_EQ(onDiskInThePause, "A\r\n,\r\n,u1,,\r\n a1,+0001.000,\r\n");
    EXPECT_EQ(rig.documentLines().size(), 5u);
}

// Random sets, downloaded once into each output: the document holds the
// workbook's cells, each in its column.
TEST(LoggerOutputs, DocumentHoldsTheWorkbooksCellsForAnyShapeOfSets) {
    std::mt19937 rng(20240611);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto valueLine = [&](int k) {
        switch (pick(0, 4)) {
        case 0:
            return "t" + std::to_string(k); // unsigned
        case 1:
            return "+" + std::to_string(1000 + k) + ".5 m3/h"; // digit second
        case 2:
            return " FLOW  +" + std::to_string(10 + k) + ".345 m/s";
        case 3:
            return "-" + std::to_string(k) +
                   ".25  \xC2\xB0"
                   "C";
        default:
            return std::string("-X"); // empty value
        }
    };
    for (int scenario = 0; scenario < 25; ++scenario) {
        std::vector<std::string> sets;
        const int nSets = pick(1, 4);
        for (int s = 0; s < nSets; ++s) {
            std::vector<std::string> header;
            for (int h = pick(1, 4); h > 0; --h)
                header.push_back("H" + std::to_string(s) + "." + std::to_string(h));
            std::vector<std::vector<std::string>> records;
            // The first set keeps at least one record: a first set without any
            // leaves column 1 to the next, whose document starts afresh.
            for (int r = pick(s == 0 ? 1 : 0, 5); r > 0; --r) {
                std::vector<std::string> lines;
                for (int v = pick(1, 9); v > 0; --v)
                    lines.push_back(valueLine(v));
                lines.push_back("");
                records.push_back(lines);
            }
            std::string text = setText(header, records);
            if (pick(0, 2) == 0 && text.size() > 1) text.pop_back(); // no final empty line
            sets.push_back(text);
        }
        Rig csv;
        runSets(csv, sets);
        Rig sheet(1);
        runSets(sheet, sets);
        ASSERT_EQ(csvCells(csv.documentLines()), withoutEmpty(sheet.link.cells()))
            << "scenario " << scenario;
        ASSERT_EQ(csv.transfer.nextCol(), sheet.transfer.nextCol());
    }
}

} // namespace
} // namespace tz::logger_test
