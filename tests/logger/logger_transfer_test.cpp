// The exchange with the instrument: queries, downloads, waits, the status
// lines and every way a transfer ends.
#include "logger_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace tz::logger_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kSmallSet = crLines({"H1", "", "t1", "+1234.567 m3/h", ""});

TEST(LoggerStart, NoTickedSetIsRefusedBeforeAnythingHappens) {
    Rig rig;
    rig.start();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text, "Logger data are not appointed.");
    EXPECT_EQ(rig.host.messages[0].title, "TIDEWELL-Z");
    EXPECT_EQ(rig.view.transferrings, 0);
    EXPECT_EQ(rig.view.idles, 0);
    EXPECT_THAT(rig.serial.calls, IsEmpty());
    EXPECT_EQ(rig.link.closes, 0);
}

TEST(LoggerStart, OpensTheLoggerPortAfterEndingAnyLink) {
    Rig rig;
    rig.view.portIndex = 4;
    rig.stop.request(); // left over from an earlier stop
    rig.setWithData(3, kSmallSet);
    rig.start();
    EXPECT_EQ(rig.link.closes, 1);
    EXPECT_EQ(rig.link.attempts, 0);
    EXPECT_EQ(rig.serial.commPort, 5);
    EXPECT_EQ(rig.serial.settings, "9600,N,8,1");
    EXPECT_TRUE(rig.serial.nullDiscard);
    EXPECT_EQ(rig.serial.bufferSize, 8192);
    EXPECT_THAT(rig.serial.calls,
                ElementsAre("CommPort", "Settings", "ParityReplace", "NullDiscard", "InBufferSize",
                            "PortOpen=true", "InputLen", "PortOpen=false"));
    EXPECT_THAT(rig.messages(), IsEmpty());
    EXPECT_EQ(rig.view.log.front(), "transferring");
    EXPECT_EQ(rig.view.log.back(), "idle");
}

TEST(LoggerQuery, EveryTickedSetIsAskedInOrderThenDownloadedInOrder) {
    Rig rig;
    rig.view.ticked = {12, 3};
    rig.setWithData(3, kSmallSet);
    rig.setWithData(12, kSmallSet);
    rig.start();
    EXPECT_THAT(rig.sentTexts(), ElementsAre("LF03\r", "LF12\r", "LD03\r", "LD12\r"));
    EXPECT_TRUE(rig.transfer.loggerHasData(3));
    EXPECT_TRUE(rig.transfer.loggerHasData(12));
    EXPECT_FALSE(rig.transfer.loggerHasData(4));
    EXPECT_THAT(rig.messages(), IsEmpty());
    // A reply is complete after 100 ms before the first look, then eleven
    // more waits of silence.
    EXPECT_NEAR(rig.sentAt("LF12\r") - rig.sentAt("LF03\r"), 1.2, 1e-9);
    EXPECT_NEAR(rig.sentAt("LD03\r") - rig.sentAt("LF12\r"), 1.2, 1e-9);
}

TEST(LoggerQuery, TrickledReplyKeepsTheWaitGoing) {
    Rig rig;
    rig.view.ticked = {3};
    rig.reply("LF03", {{0.05, "N"}, {0.85, "o."}, {1.75, "03\r"}});
    rig.replyAtOnce("LD03", kSmallSet);
    rig.start();
    EXPECT_TRUE(rig.transfer.loggerHasData(3));
    EXPECT_NEAR(rig.sentAt("LD03\r") - rig.sentAt("LF03\r"), 1.8 + 1.1, 1e-9);
}

TEST(LoggerQuery, EmptySetOrSetBeingRecordedEndsTheTransferBeforeAnyDownload) {
    for (const auto& [reply, message] : {std::pair{"EMPTY\r", "No.07Data is not save"},
                                         std::pair{"DATA 12%\r", "No.07Sampling now"}}) {
        SCOPED_TRACE(message);
        Rig rig;
        rig.view.ticked = {2, 7, 9};
        rig.setWithData(2, kSmallSet);
        rig.replyAtOnce("LF07", reply);
        rig.setWithData(9, kSmallSet);
        rig.start();
        ASSERT_EQ(rig.host.messages.size(), 1u);
        EXPECT_EQ(rig.host.messages[0].text, message);
        EXPECT_EQ(rig.host.messages[0].title, "TIDEWELL-Z");
        EXPECT_THAT(rig.sentTexts(), ElementsAre("LF02\r", "LF07\r"));
        rig.expectEnded();
        EXPECT_FALSE(rig.transfer.loggerHasData(7));
    }
}

TEST(LoggerQuery, UnansweredQueryIsABadPortAfterAboutOnePointTwoSeconds) {
    Rig rig;
    rig.view.ticked = {5, 6};
    rig.setWithData(6, kSmallSet);
    const double t0 = rig.host.now();
    rig.start();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text, "232Port is bad");
    EXPECT_EQ(rig.host.messages[0].title, "TIDEWELL-Z");
    EXPECT_NEAR(rig.host.messages[0].at - t0, 1.2, 1e-9);
    EXPECT_THAT(rig.sentTexts(), ElementsAre("LF05\r"));
    rig.expectEnded();
}

TEST(LoggerQuery, UnknownRepliesSkipTheirSetsSilently) {
    Rig rig;
    rig.view.ticked = {3, 12};
    rig.replyAtOnce("LF03", "ERR 4\r");
    rig.setWithData(12, kSmallSet);
    rig.start();
    EXPECT_THAT(rig.messages(), IsEmpty());
    EXPECT_THAT(rig.sentTexts(), ElementsAre("LF03\r", "LF12\r", "LD12\r"));
}

TEST(LoggerQuery, RepliesAreJudgedCaseSensitivelyByTheirBeginning) {
    Rig rig;
    rig.view.ticked = {1, 2, 3};
    rig.replyAtOnce("LF01", "no.01\r");
    rig.replyAtOnce("LF02", " EMPTY\r");
    rig.replyAtOnce("LF03", "Empty\r");
    rig.start();
    // Nothing to download: the transfer ends normally, without a word.
    EXPECT_THAT(rig.messages(), IsEmpty());
    EXPECT_THAT(rig.sentTexts(), ElementsAre("LF01\r", "LF02\r", "LF03\r"));
    EXPECT_EQ(rig.serial.clears, 1);
    rig.expectEnded();
    EXPECT_FALSE(fs::exists(rig.workPath()));
}

TEST(LoggerStop, StopDuringTheQueryPhaseEndsQuietly) {
    Rig rig;
    rig.setWithData(3, kSmallSet);
    rig.setWithData(12, kSmallSet);
    std::ofstream(rig.workPath()) << "stale";
    rig.host.after(0.45, [&] { rig.transfer.stopXfer(); });
    rig.start();
    EXPECT_THAT(rig.messages(), IsEmpty());
    EXPECT_THAT(rig.sentTexts(), ElementsAre("LF03\r"));
    rig.expectEnded();
    EXPECT_FALSE(fs::exists(rig.workPath()));
    EXPECT_EQ(rig.view.status1, "");
}

TEST(LoggerStop, StopInTheLastWaitOfAQueryIsNotTakenForSilence) {
    Rig rig;
    rig.view.ticked = {3};
    // No answer: the eleventh wait ends 1.2 s after the command.
    rig.host.after(1.15, [&] { rig.transfer.stopXfer(); });
    rig.start();
    EXPECT_THAT(rig.messages(), IsEmpty());
}

TEST(LoggerStop, StopDuringADownloadEndsQuietlyAndKeepsTheEarlierSets) {
    Rig rig;
    rig.view.ticked = {3, 12};
    rig.setWithData(3, kSmallSet);
    rig.replyAtOnce("LF12", "No.12\r");
    // Set 12 trickles in; the operator stops it half way.
    Reply slow;
    for (int i = 0; i < 20; ++i)
        slow.push_back({0.05 + 0.2 * i, i == 0 ? "G1\r\r" : "+0.5 m\r"});
    rig.reply("LD12", slow);
    rig.stopAfterSending("LD12", 1.0);
    rig.start();
    EXPECT_THAT(rig.messages(), IsEmpty());
    rig.expectEnded();
    EXPECT_FALSE(fs::exists(rig.workPath()));
    EXPECT_TRUE(rig.stop.requested());
    // Set 3's rows are whole; set 12 got as far as it got.
    const auto lines = rig.documentLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "H1,,G1");
    EXPECT_EQ(lines[2], ",m3/h,,");
    EXPECT_EQ(lines[3].substr(0, 14), " t1,+1234.567,");
}

TEST(LoggerStop, EarlyStopOrFailedFirstSetLeavesThePreviousDocumentInPlace) {
    for (const bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "stop" : "no answer");
        Rig rig;
        const std::string previous = "H1,,G1,,K1\r\n,,,,,\r\n";
        std::ofstream(rig.view.document, std::ios::binary) << previous;
        rig.setWithData(3, stop ? kSmallSet : "");
        rig.setWithData(12, kSmallSet);
        if (stop) rig.stopAfterSending("LD03", 0.3);
        rig.start();
        if (stop) {
            // Set 3 wrote its rows: the run's document stays, the previous
            // one is its dated copy, named in the result line.
            EXPECT_EQ(rig.documentLines().size(), 4u);
            ASSERT_FALSE(rig.view.previousCopy.empty());
            EXPECT_EQ(test::readFile(rig.view.previousCopy), previous);
        } else {
            EXPECT_EQ(test::readFile(rig.view.document), previous);
            EXPECT_EQ(rig.view.previousCopy, "");
        }
    }
}

TEST(LoggerDownload, SetThatSendsNothingIsABadPort) {
    Rig rig;
    rig.view.ticked = {3, 4};
    rig.replyAtOnce("LF03", "No.03\r");
    rig.setWithData(4, kSmallSet);
    rig.start();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text, "232Port is bad");
    // 100 ms, then twenty-one waits of 50 ms of silence.
    EXPECT_NEAR(rig.host.messages[0].at - rig.sentAt("LD03\r"), 1.15, 1e-9);
    EXPECT_THAT(rig.sentTexts(), ElementsAre("LF03\r", "LF04\r", "LD03\r"));
    rig.expectEnded();
    EXPECT_FALSE(fs::exists(rig.workPath()));
}

TEST(LoggerDownload, WaitsSleepAndNeverSpin) {
    Rig rig;
    rig.setWithData(3, kSmallSet);
    rig.start();
    // Query 0.1 + 11 x 0.1, download 0.1 + 21 x 0.05: all of it slept.
    EXPECT_EQ(rig.host.sleptMs, 1200 + 1150);
    EXPECT_EQ(rig.host.sleeps, 12 + 22);
}

TEST(LoggerDownload, StatusLinesShowWhatWasReceivedAndRead) {
    Rig rig;
    rig.view.ticked = {3};
    rig.replyAtOnce("LF03", "No.03\r");
    rig.reply("LD03", {{0.05, "H1\r\rt1\r+1.0 m\r"}, {0.3, "\r"}});
    rig.start();
    EXPECT_THAT(rig.view.log, ElementsAre("transferring", "2:", "1:14Receiving", "2:8Processing",
                                          "2:15Processing", "1:15Receiving", "1:", "idle"));
}

TEST(LoggerDownload, ReplyInManySmallPiecesIsReadAsOneText) {
    const std::string text = crLines(
        {"HEADER ONE", "HEADER TWO", "", "t1", "+1234.567 m3/h", "", "t2", "+1234.568 m3/h", ""});
    Rig once;
    once.setWithData(3, text);
    once.start();

    Rig pieces;
    pieces.view.ticked = {3};
    pieces.replyAtOnce("LF03", "No.03\r");
    Reply r;
    for (std::size_t i = 0; i < text.size(); i += 3)
        r.push_back({0.05 + 0.3 * static_cast<double>(i / 3), text.substr(i, 3)});
    pieces.reply("LD03", r);
    pieces.start();

    EXPECT_THAT(pieces.messages(), IsEmpty());
    EXPECT_EQ(pieces.documentLines(), once.documentLines());
    EXPECT_EQ(pieces.documentLines().size(), 6u);
}

TEST(LoggerDownload, ANewSetNeverInheritsTheLastSetsUnfinishedLine) {
    Rig rig;
    rig.setWithData(3, crLines({"H", "", "+1.0 m"}) + "+9.9 kg");
    rig.setWithData(12, crLines({"G", "", "+2.0 m", ""}));
    rig.start();
    // The cut-off line is set 3's second value; set 12 starts clean. Set
    // 3's last unit sits in set 12's first column, where set 12 writes no
    // unit, so it stays.
    EXPECT_THAT(rig.documentLines(),
                ElementsAre("H,,G", ",,,", ",m,kg,m,,", "+1.0 m,+9.9 kg,+2.0 m,"));
}

// More than 80 % of the port buffer is taken at the next drain point, less
// waits until the text already received is read.
TEST(LoggerDownload, PortBufferIsDrainedEarlyOnlyWhenMoreThanEightyPercentFull) {
    struct Case {
        int burstLines; // of eight characters each
        std::vector<std::string> next;
    };
    for (const Case& c : {Case{1000, {"1:8024Receiving"}},
                          Case{819, {"2:18Processing", "2:25Processing", "1:6576Receiving"}}}) {
        SCOPED_TRACE(c.burstLines);
        Rig rig;
        rig.view.ticked = {3};
        rig.replyAtOnce("LF03", "No.03\r");
        rig.replyAtOnce("LD03", crLines({"H", "", "+1.0 m", "+2.0 m", "+3.0 m"}));
        const std::string burst = crLines(std::vector<std::string>(c.burstLines, "+7.00 m"));
        rig.view.onStatus2 = [&](const std::string& s) {
            if (s == "11Processing") rig.serial.arriveAt(rig.host.now(), burst);
        };
        rig.start();
        // Straight after the first value line.
        const auto it = std::find(rig.view.log.begin(), rig.view.log.end(), "2:11Processing");
        ASSERT_NE(it, rig.view.log.end());
        ASSERT_GE(rig.view.log.end() - it, static_cast<long>(c.next.size()) + 1);
        EXPECT_EQ(std::vector<std::string>(it + 1, it + 1 + c.next.size()), c.next);
    }
}

TEST(LoggerFailure, PortFailuresGetTheirMessagesAndTheWindowGoesIdle) {
    Rig rig;
    rig.view.ticked = {3};
    rig.serial.openFailure = Failure(FailureCode::InvalidPortNumber, "Invalid port number");
    rig.start();
    EXPECT_THAT(rig.messages(), ElementsAre("232Port No. is bad"));
    EXPECT_EQ(rig.host.messages[0].title, "TIDEWELL-Z");
    EXPECT_THAT(rig.sentTexts(), IsEmpty());
    rig.expectEnded();
    EXPECT_EQ(rig.view.status1, "");

    Rig bad;
    bad.view.ticked = {3};
    bad.serial.settingsFailure = Failure(FailureCode::InvalidPropertyValue, "Invalid property");
    bad.start();
    EXPECT_THAT(bad.messages(), ElementsAre("232Port bad setting"));
}

TEST(LoggerFailure, HangUpMidSetReportsItAndTheDocumentKeepsEverySetBefore) {
    Rig rig;
    rig.view.ticked = {3, 12};
    rig.setWithData(3, crLines({"H1", "", "t1", "+1.0 m", "", "t2", "+2.0 m", ""}));
    rig.replyAtOnce("LF12", "No.12\r");
    rig.reply("LD12", {{0.05, "G1\r\rs1\r+5.0 kg\r"}, {0.4, "\rs2\r+6."}});
    rig.afterSending("LD12", [&] { rig.serial.hangUpAt(rig.host.now() + 0.5); });
    rig.start();
    EXPECT_THAT(rig.messages(), ElementsAre("The serial line hung up"));
    rig.expectEnded();
    EXPECT_THAT(rig.documentLines(),
                ElementsAre("H1,,G1", ",,,", ",m,,kg,,", " t1,+1.0 m, s1,+5.0 kg,", " t2,+2.0 m,"));
    // The failure leaves the work file: it holds the document before set 12.
    EXPECT_TRUE(fs::exists(rig.workPath()));
}

// The line ends right after a record's closing line: by a hang-up, by
// "Stop Xfer" in the wait that follows, or by silence. Every record whose
// closing line came is in the document.
TEST(LoggerFailure, EveryEndRightAfterARecordsClosingLineKeepsThatRecord) {
    const std::string set = crLines({"H1", "", "t1", "+1.0 m", "", "t2", "+2.0 m", ""});
    const std::vector<std::string> whole{"H1", ",", ",m,,", " t1,+1.0 m,", " t2,+2.0 m,"};
    for (const char* end : {"hang-up", "stop", "silence"}) {
        SCOPED_TRACE(end);
        Rig rig;
        rig.setWithData(3, set);
        if (std::string(end) == "hang-up")
            rig.afterSending("LD03", [&] { rig.serial.hangUpAt(rig.host.now() + 0.55); });
        if (std::string(end) == "stop") rig.stopAfterSending("LD03", 0.3);
        rig.start();
        EXPECT_EQ(rig.documentLines(), whole);
    }
}

TEST(LoggerFailure, DocumentThatIsTheWorkFileIsRefused) {
    Rig rig;
    rig.setWithData(3, kSmallSet);
    rig.view.document = rig.workPath();
    rig.start();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_NE(rig.host.messages[0].text.find("work file"), std::string::npos);
    EXPECT_THAT(rig.sentTexts(), ElementsAre("LF03\r"));
    rig.expectEnded();
}

TEST(LoggerFailure, UnwritableDocumentSaysSoAndTheTransferEnds) {
    Rig rig;
    rig.setWithData(3, kSmallSet);
    rig.view.document = (rig.dir / "no such folder" / "out.csv").string();
    rig.start();
    EXPECT_THAT(rig.messages(), ElementsAre("File cannot open\n" + rig.view.document +
                                            ": its folder does not exist"));
    EXPECT_THAT(rig.sentTexts(), ElementsAre("LF03\r"));
    rig.expectEnded();
}

TEST(LoggerSheet, RefusedDocumentRunsStopXferWithoutTheEndSteps) {
    Rig rig(1);
    rig.setWithData(3, kSmallSet);
    fs::remove(rig.view.document);
    std::ofstream(rig.workPath()) << "kept";
    rig.start();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text,
              "File does not exist.\r\nAn error of an Application document.\r\n" +
                  rig.view.document);
    EXPECT_TRUE(rig.stop.requested());
    rig.expectEnded();
    EXPECT_THAT(rig.sentTexts(), ElementsAre("LF03\r"));
    // No end steps: the receive buffer was not cleared, the work file stays.
    EXPECT_EQ(rig.serial.clears, 0);
    EXPECT_TRUE(fs::exists(rig.workPath()));
}

TEST(LoggerSheet, BusySpreadsheetIsAskedAgainUntilItTakesTheCell) {
    Rig rig(1);
    rig.setWithData(3, kSmallSet);
    rig.link.silentPokes = 3;
    rig.start();
    EXPECT_THAT(rig.messages(), IsEmpty());
    EXPECT_EQ(rig.link.silentPokes, 0); // each silence was met by asking again
    EXPECT_EQ(rig.link.cells().at({1, 1}), "H1");
    EXPECT_EQ(rig.link.cells().at({4, 2}), "+1234.567");
}

TEST(LoggerSheet, StopWhileTheSpreadsheetDoesNotAnswerEndsQuietly) {
    // While the link waits for the spreadsheet program to start.
    Rig linking(1);
    linking.setWithData(3, kSmallSet);
    linking.link.silentAttempts = -1;
    linking.host.after(2.0, [&] { linking.transfer.stopXfer(); });
    linking.start();
    EXPECT_THAT(linking.messages(), IsEmpty());
    EXPECT_THAT(linking.sentTexts(), ElementsAre("LF03\r"));
    EXPECT_EQ(linking.serial.clears, 1); // through the end steps
    linking.expectEnded();

    // While a cell waits for a busy spreadsheet program.
    Rig busy(1);
    busy.setWithData(3, kSmallSet);
    busy.link.silentPokes = -1;
    busy.stopAfterSending("LD03", 1.0);
    busy.start();
    EXPECT_THAT(busy.messages(), IsEmpty());
    busy.expectEnded();
}

TEST(LoggerSheet, LostConversationIsReportedWithItsOwnDescription) {
    Rig rig(1);
    rig.setWithData(3, kSmallSet);
    rig.link.pokeFailure = Failure(FailureCode::Other, "The spreadsheet program went away.");
    rig.start();
    EXPECT_THAT(rig.messages(), ElementsAre("The spreadsheet program went away."));
    rig.expectEnded();
}

} // namespace
} // namespace tz::logger_test
