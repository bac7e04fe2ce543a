// The DDE client against a real DDEML server (the fake spreadsheet
// program) under Wine.
#include "backends/win32/dde_sheet_link.h"

#include "app/text.h"
#include "dde_log.h"
#include "fake_sheet.h"
#include "platform/failure.h"
#include "probes.h"
#include "sheet/document_link.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tz::test {
namespace {

using win32::DdeSheetLink;

const std::string kDoc = "C:\\Tidewell\\Tidewell.xls";

std::string poke(const std::string& topic, const std::string& item, const std::string& data) {
    return "POKE\t" + escapeBytes(topic) + "\t" + escapeBytes(item) + "\t" + escapeBytes(data);
}

TEST(DdeNames, TopicIsExcelBarThePathAndTheItemRowAndColumn) {
    EXPECT_EQ(DdeSheetLink::topicFor("C:\\Tide well\\#1.xls"), "Excel|C:\\Tide well\\#1.xls");
    EXPECT_EQ(DdeSheetLink::cellItem(12, 2), "R12C2");
    EXPECT_EQ(DdeSheetLink::cellItem(1, 1), "R1C1");
    EXPECT_EQ(DdeSheetLink::cellItem(1048576, 41), "R1048576C41");
}

TEST(DdeErrorNames, NameTheDdemlCodes) {
    EXPECT_EQ(DdeSheetLink::errorName(0x400a), "DMLERR_NO_CONV_ESTABLISHED");
    EXPECT_EQ(DdeSheetLink::errorName(0x400b), "DMLERR_POKEACKTIMEOUT");
    EXPECT_EQ(DdeSheetLink::errorName(0x4009), "DMLERR_NOTPROCESSED");
    EXPECT_EQ(DdeSheetLink::errorName(0x400e), "DMLERR_SERVER_DIED");
    EXPECT_NE(DdeSheetLink::errorName(0x1234).find("0x1234"), std::string::npos);
}

class DdeLink : public ::testing::Test {
  protected:
    void SetUp() override { stopAllFakeExcel(); }
    void TearDown() override { stopAllFakeExcel(); }

    ServerLog log;
    DdeSheetLink link;
};

TEST_F(DdeLink, NoServerMeansNoDdeAnswer) {
    EXPECT_EQ(codeOf([&] { link.open(kDoc); }), FailureCode::NoDdeAnswer);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(DdeLink, EmptyDocumentPathOpensNoConversation) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    EXPECT_EQ(codeOf([&] { link.open(""); }), FailureCode::Other);
    EXPECT_FALSE(link.isOpen());
    server.stop();
    // A wildcard topic would have linked to whatever the server offered.
    EXPECT_TRUE(log.lines("CONNECT").empty());
}

TEST_F(DdeLink, RetriedLinkSucceedsOnceALateServerAnswers) {
    FakeExcel server(log, {"--delay-ms", "1500"});
    int noAnswer = 0;
    const ULONGLONG end = GetTickCount64() + 20000;
    while (!link.isOpen() && GetTickCount64() < end) {
        try {
            link.open(kDoc);
        } catch (const Failure& f) {
            ASSERT_EQ(f.code(), FailureCode::NoDdeAnswer) << f.description();
            ++noAnswer;
            Sleep(100);
        }
    }
    EXPECT_GE(noAnswer, 1);
    ASSERT_TRUE(link.isOpen());
    EXPECT_EQ(log.lines("CONNECT"), std::vector<std::string>{"CONNECT\t" + escapeBytes(kDoc)});
}

TEST_F(DdeLink, OnlineHeaderAndPollsArriveAtTheirCells) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    link.open(kDoc);

    // Through the cell write the transfers use.
    StopFlag stop;
    RealHost host;
    fake::NoShell shell;
    DocumentLink doc(host, shell, link, stop);
    doc.writeCell(1, 1, "TIME");
    doc.writeCell(1, 2, "Flow rate");
    doc.writeCell(2, 1, "10:00:00");
    doc.writeCell(2, 2, "+1234.567");
    doc.writeCell(3, 1, "10:00:05");
    doc.writeCell(3, 2, "-0001.250");
    doc.writeCell(12, 2, "+0000.000");

    EXPECT_EQ(log.lines("POKE"), (std::vector<std::string>{
                                     poke(kDoc, "R1C1", "TIME"),
                                     poke(kDoc, "R1C2", "Flow rate"),
                                     poke(kDoc, "R2C1", "10:00:00"),
                                     poke(kDoc, "R2C2", "+1234.567"),
                                     poke(kDoc, "R3C1", "10:00:05"),
                                     poke(kDoc, "R3C2", "-0001.250"),
                                     poke(kDoc, "R12C2", "+0000.000"),
                                 }));
}

TEST_F(DdeLink, LoggerCellsArriveWithTheirBlanksAndParentheses) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    link.open(kDoc);
    StopFlag stop;
    RealHost host;
    fake::NoShell shell;
    DocumentLink doc(host, shell, link, stop);

    // A first set of two header lines and two records of three value lines.
    const std::vector<std::pair<std::pair<int, int>, std::string>> cells = {
        {{1, 1}, "H1"},
        {{2, 1}, "H2"},
        {{4, 2}, "m3/h"},
        {{4, 3}, "( FLOW ) m/s"},
        {{5, 1}, " 06/01/23 10:00"},
        {{5, 2}, "+1234.567"},
        {{5, 3}, "+12.345"},
        {{6, 1}, " 06/01/23 11:00"},
        {{6, 2}, "+1200.000"},
        {{6, 3}, "+12.001"},
    };
    std::vector<std::string> expected;
    for (const auto& [at, text] : cells) {
        doc.writeCell(at.first, at.second, text);
        expected.push_back(poke(kDoc, DdeSheetLink::cellItem(at.first, at.second), text));
    }
    EXPECT_EQ(log.lines("POKE"), expected);
}

TEST_F(DdeLink, TextCrossesInTheAnsiCodePage) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    const std::string doc = "C:\\Donn\xC3\xA9"
                            "es\\D\xC3\xBC"
                            "se.xls"; // UTF-8
    const std::string value = "12 \xC2\xB0"
                              "C"; // "12 °C"
    link.open(doc);
    link.writeCell(1, 1, value);

    const std::string ansiDoc = text::toSystem(doc);
    EXPECT_EQ(log.lines("CONNECT"), std::vector<std::string>{"CONNECT\t" + escapeBytes(ansiDoc)});
    EXPECT_EQ(log.lines("POKE"),
              std::vector<std::string>{poke(ansiDoc, "R1C1", text::toSystem(value))});
    if (GetACP() != CP_UTF8) {
        EXPECT_NE(ansiDoc, doc); // the bytes really were converted
    }
}

TEST_F(DdeLink, CloseEndsTheConversation) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    link.open(kDoc);
    link.close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(log.waitFor("DISCONNECT", 5000));

    EXPECT_EQ(codeOf([&] { link.writeCell(1, 1, "late"); }), FailureCode::Other);
    link.close(); // again: never fails
    EXPECT_TRUE(log.lines("POKE").empty());
}

TEST_F(DdeLink, NewDocumentIsLinkedAfresh) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    const std::string other = "C:\\Tidewell\\Second.xls";
    link.open(kDoc);
    // The on-line start links again without clearing the earlier link.
    link.open(other);
    link.writeCell(1, 1, "TIME");

    EXPECT_EQ(log.lines("CONNECT"), (std::vector<std::string>{"CONNECT\t" + escapeBytes(kDoc),
                                                              "CONNECT\t" + escapeBytes(other)}));
    EXPECT_EQ(log.lines("POKE"), std::vector<std::string>{poke(other, "R1C1", "TIME")});
}

TEST_F(DdeLink, RefusedPokeIsReportedWithTheDdeErrorAndTheCell) {
    FakeExcel server(log, {"--refuse-pokes"});
    ASSERT_TRUE(server.waitReady());
    link.open(kDoc);
    const std::string text = descriptionOf([&] { link.writeCell(5, 2, "+1234.567"); });
    EXPECT_NE(text.find("DMLERR_NOTPROCESSED"), std::string::npos) << text;
    EXPECT_NE(text.find("R5C2"), std::string::npos) << text;
    EXPECT_EQ(codeOf([&] { link.writeCell(5, 2, "+1234.567"); }), FailureCode::Other);
    EXPECT_TRUE(link.isOpen()); // the conversation itself stands
}

TEST_F(DdeLink, ServerThatDoesNotAnswerAPokeTimesOut) {
    FakeExcel server(log, {"--hang-pokes-ms", "3000"});
    ASSERT_TRUE(server.waitReady());
    link.open(kDoc);
    link.setTimeoutMs(500);
    const std::string text = descriptionOf([&] { link.writeCell(2, 2, "+1.0"); });
    EXPECT_NE(text.find("DMLERR_POKEACKTIMEOUT"), std::string::npos) << text;
    EXPECT_NE(text.find("0.5 s"), std::string::npos) << text;
}

TEST_F(DdeLink, ServerThatQuitIsALostLinkNotAMissingAnswer) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    link.open(kDoc);
    server.stop();
    ASSERT_TRUE(log.waitFor("EXIT", 1000));
    pumpMessages();

    Failure lost(FailureCode::Other, "");
    try {
        link.writeCell(3, 1, "10:00:10");
        FAIL() << "the poke into a closed spreadsheet program succeeded";
    } catch (const Failure& f) {
        lost = f;
    }
    // Retrying a missing answer would wait for a program that is gone.
    EXPECT_EQ(lost.code(), FailureCode::Other);
    EXPECT_NE(lost.description().find("lost"), std::string::npos) << lost.description();
    EXPECT_FALSE(link.isOpen());
}

} // namespace
} // namespace tz::test
