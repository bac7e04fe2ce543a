// The DDE client against a real DDEML server (the fake spreadsheet
// program) under Wine.
#include "backends/win32/dde_sheet_link.h"

#include "app/text.h"
#include "dde_log.h"
#include "platform/failure.h"
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
const std::string kTopic = "Excel|" + kDoc;

std::string poke(const std::string& topic, const std::string& item, const std::string& data) {
    return "POKE\t" + escapeBytes(topic) + "\t" + escapeBytes(item) + "\t" + escapeBytes(data);
}

// The cell writes need no shell.
struct NoShell : Shell {
    bool findWindow(const std::string&) override { return false; }
    void openDocument(const std::string&, WindowHandle) override {}
    void activate(const std::string&) override {}
};

FailureCode codeOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Failure& f) {
        return f.code();
    }
    ADD_FAILURE() << "no Failure was thrown";
    return FailureCode::Other;
}

std::string descriptionOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Failure& f) {
        return f.description();
    }
    ADD_FAILURE() << "no Failure was thrown";
    return {};
}

TEST(DdeTopic, SplitsAtTheFirstBarOnly) {
    const auto p = DdeSheetLink::splitTopic("Excel|C:\\odd|name.xls");
    EXPECT_TRUE(p.separated);
    EXPECT_EQ(p.application, "Excel");
    EXPECT_EQ(p.document, "C:\\odd|name.xls");
    EXPECT_FALSE(DdeSheetLink::splitTopic("Excel").separated);
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
    link.setTopic(kTopic);
    EXPECT_EQ(codeOf([&] { link.setLinkMode(SheetLink::Manual); }), FailureCode::NoDdeAnswer);
    EXPECT_EQ(link.linkMode(), SheetLink::None);
}

TEST_F(DdeLink, TopicWithoutApplicationAndDocumentOpensNoConversation) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    for (const std::string& topic : std::vector<std::string>{"Excel", "Excel|", "|" + kDoc, ""}) {
        link.setTopic(topic);
        EXPECT_EQ(codeOf([&] { link.setLinkMode(SheetLink::Manual); }), FailureCode::Other)
            << topic;
        EXPECT_EQ(link.linkMode(), SheetLink::None) << topic;
    }
    server.stop();
    // A wildcard topic would have linked to whatever the server offered.
    EXPECT_TRUE(log.lines("CONNECT").empty());
}

TEST_F(DdeLink, RetriedLinkSucceedsOnceALateServerAnswers) {
    FakeExcel server(log, {"--delay-ms", "1500"});
    link.setTopic(kTopic);
    int noAnswer = 0;
    const ULONGLONG end = GetTickCount64() + 20000;
    while (link.linkMode() != SheetLink::Manual && GetTickCount64() < end) {
        try {
            link.setLinkMode(SheetLink::Manual);
        } catch (const Failure& f) {
            ASSERT_EQ(f.code(), FailureCode::NoDdeAnswer) << f.description();
            ++noAnswer;
            Sleep(100);
        }
    }
    EXPECT_GE(noAnswer, 1);
    ASSERT_EQ(link.linkMode(), SheetLink::Manual);
    EXPECT_EQ(log.lines("CONNECT"), std::vector<std::string>{"CONNECT\t" + escapeBytes(kDoc)});
}

TEST_F(DdeLink, OnlineHeaderAndPollsArriveAtTheirCells) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    link.setTopic(kTopic);
    link.setLinkMode(SheetLink::Manual);

    // Through the cell write the transfers use.
    StopFlag stop;
    RealHost host;
    NoShell shell;
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
    link.setTopic(kTopic);
    link.setLinkMode(SheetLink::Manual);
    StopFlag stop;
    RealHost host;
    NoShell shell;
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
        expected.push_back(poke(kDoc, DocumentLink::cellItem(at.first, at.second), text));
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
    link.setTopic("Excel|" + doc);
    link.setLinkMode(SheetLink::Manual);
    link.setItem("R1C1");
    link.poke(value);

    const std::string ansiDoc = text::toSystem(doc);
    EXPECT_EQ(log.lines("CONNECT"), std::vector<std::string>{"CONNECT\t" + escapeBytes(ansiDoc)});
    EXPECT_EQ(log.lines("POKE"),
              std::vector<std::string>{poke(ansiDoc, "R1C1", text::toSystem(value))});
    if (GetACP() != CP_UTF8) {
        EXPECT_NE(ansiDoc, doc); // the bytes really were converted
    }
}

TEST_F(DdeLink, LinkModeNoneEndsTheConversation) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    link.setTopic(kTopic);
    link.setLinkMode(SheetLink::Manual);
    link.setLinkMode(SheetLink::None);
    EXPECT_EQ(link.linkMode(), SheetLink::None);
    EXPECT_TRUE(log.waitFor("DISCONNECT", 5000));

    link.setItem("R1C1");
    EXPECT_EQ(codeOf([&] { link.poke("late"); }), FailureCode::Other);
    link.setLinkMode(SheetLink::None); // again: never fails
    EXPECT_TRUE(log.lines("POKE").empty());
}

TEST_F(DdeLink, NewTopicLinksTheNewDocument) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    const std::string other = "C:\\Tidewell\\Second.xls";
    link.setTopic(kTopic);
    link.setLinkMode(SheetLink::Manual);
    // The on-line start links again without clearing the earlier link.
    link.setTopic("Excel|" + other);
    link.setLinkMode(SheetLink::Manual);
    link.setItem("R1C1");
    link.poke("TIME");

    EXPECT_EQ(log.lines("CONNECT"), (std::vector<std::string>{"CONNECT\t" + escapeBytes(kDoc),
                                                              "CONNECT\t" + escapeBytes(other)}));
    EXPECT_EQ(log.lines("POKE"), std::vector<std::string>{poke(other, "R1C1", "TIME")});
}

TEST_F(DdeLink, RefusedPokeIsReportedWithTheDdeErrorAndTheCell) {
    FakeExcel server(log, {"--refuse-pokes"});
    ASSERT_TRUE(server.waitReady());
    link.setTopic(kTopic);
    link.setLinkMode(SheetLink::Manual);
    link.setItem("R5C2");
    const std::string text = descriptionOf([&] { link.poke("+1234.567"); });
    EXPECT_NE(text.find("DMLERR_NOTPROCESSED"), std::string::npos) << text;
    EXPECT_NE(text.find("R5C2"), std::string::npos) << text;
    EXPECT_EQ(codeOf([&] { link.poke("+1234.567"); }), FailureCode::Other);
    EXPECT_EQ(link.linkMode(), SheetLink::Manual); // the conversation itself stands
}

TEST_F(DdeLink, ServerThatDoesNotAnswerAPokeTimesOut) {
    FakeExcel server(log, {"--hang-pokes-ms", "3000"});
    ASSERT_TRUE(server.waitReady());
    link.setTopic(kTopic);
    link.setLinkMode(SheetLink::Manual);
    link.setTimeoutMs(500);
    link.setItem("R2C2");
    const std::string text = descriptionOf([&] { link.poke("+1.0"); });
    EXPECT_NE(text.find("DMLERR_POKEACKTIMEOUT"), std::string::npos) << text;
    EXPECT_NE(text.find("0.5 s"), std::string::npos) << text;
}

TEST_F(DdeLink, ServerThatQuitIsALostLinkNotAMissingAnswer) {
    FakeExcel server(log, {});
    ASSERT_TRUE(server.waitReady());
    link.setTopic(kTopic);
    link.setLinkMode(SheetLink::Manual);
    server.stop();
    ASSERT_TRUE(log.waitFor("EXIT", 1000));
    pumpMessages();

    link.setItem("R3C1");
    Failure lost(FailureCode::Other, "");
    try {
        link.poke("10:00:10");
        FAIL() << "the poke into a closed spreadsheet program succeeded";
    } catch (const Failure& f) {
        lost = f;
    }
    // Retrying a missing answer would wait for a program that is gone.
    EXPECT_EQ(lost.code(), FailureCode::Other);
    EXPECT_NE(lost.description().find("lost"), std::string::npos) << lost.description();
    EXPECT_EQ(link.linkMode(), SheetLink::None);
}

} // namespace
} // namespace tz::test
