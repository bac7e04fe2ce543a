#include "online_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tz {
namespace {

using test::OnlineRig;
using ::testing::ElementsAre;
using Poke = fake::FakeSheetLink::Poke;

// Start times of the polls, relative to the start of the test.
std::vector<double> pollStarts(const OnlineRig& rig) {
    std::vector<double> out;
    for (const auto& s : rig.serial.sent)
        out.push_back(rig.sinceStart(s.at));
    return out;
}

TEST(PollTiming, IntervalRunsFromTheEndOfOnePollToTheStartOfTheNext) {
    OnlineRig rig; // interval 2 s; each poll takes 0.3 s (reply at 0.25 s, seen at 0.3 s)
    rig.start();
    rig.runTo(7.0);
    const auto starts = pollStarts(rig);
    ASSERT_EQ(starts.size(), 4u);
    for (std::size_t i = 0; i < starts.size(); ++i)
        EXPECT_NEAR(starts[i], 0.01 + 2.3 * static_cast<double>(i), 1e-5) << "poll " << i;
}

TEST(PollTiming, FirstPollAtTheFirstTickThenLongWaitsLookAtTheClockOncePerSecond) {
    OnlineRig rig;
    rig.view.digits = "000100"; // one minute
    rig.start();
    rig.runTo(61.0);
    ASSERT_EQ(rig.serial.sent.size(), 2u);
    EXPECT_NEAR(rig.sinceStart(rig.serial.sent[0].at), 0.010, 1e-5);
    EXPECT_EQ(rig.serial.sent[0].text, "DQ01\r");
    EXPECT_NEAR(rig.sinceStart(rig.serial.sent[1].at), 0.31 + 60, 1e-5);
    EXPECT_LE(rig.timer.starts, 63); // not 6000 ticks of 10 ms
}

TEST(PollTiming, EarlyTimerShotRearmsForTheRemainder) {
    OnlineRig rig;
    rig.start();
    rig.runTo(1.0);
    ASSERT_EQ(rig.serial.sent.size(), 1u);
    // A shot at 1.5 s, long before the poll is due at 2.31 s.
    rig.timer.startIn(0.5);
    rig.runTo(1.6);
    EXPECT_EQ(rig.serial.sent.size(), 1u);
    EXPECT_NEAR(rig.timer.lastDelay, 0.81, 1e-5);
    rig.runTo(2.5);
    ASSERT_EQ(rig.serial.sent.size(), 2u);
    EXPECT_NEAR(rig.sinceStart(rig.serial.sent[1].at), 2.31, 1e-5);
}

TEST(PollTiming, DueTimeAcrossMidnightFallsOnTheNextDay) {
    // The first poll runs at 23:59:57.705 and ends at 23:59:58.005.
    OnlineRig rig(86397.695);
    rig.view.digits = "000010";
    rig.start();
    rig.runTo(0.5);
    ASSERT_EQ(rig.serial.sent.size(), 1u);
    EXPECT_EQ(rig.transfer.schedule().nextPollDate, OnlineRig::kDay + 1);
    EXPECT_NEAR(rig.transfer.schedule().nextPollTime, 8.005, 1e-4);
    rig.runTo(15.0);
    ASSERT_EQ(rig.serial.sent.size(), 2u);
    const double second = rig.serial.sent[1].at;
    EXPECT_NEAR(second, (OnlineRig::kDay + 1) * 86400.0 + 8.005, 1e-4);
    EXPECT_EQ(rig.view.status1.back(), "TIME00:00:08");
}

TEST(PollTiming, ClockMovedForwardByDaysKeepsPolling) {
    OnlineRig rig;
    rig.view.digits = "000010";
    rig.start();
    rig.runTo(1.0);
    ASSERT_EQ(rig.serial.sent.size(), 1u);
    rig.host.setClock(OnlineRig::kDay + 3, 5.0); // three days on, early in the morning
    rig.host.runFor(2.0);
    ASSERT_EQ(rig.serial.sent.size(), 2u);
    rig.host.runFor(11.0);
    EXPECT_EQ(rig.serial.sent.size(), 3u);
    EXPECT_TRUE(rig.host.messages.empty());
}

TEST(PollTiming, TickNeverStartsAPollInsideAnother) {
    OnlineRig rig;
    rig.replyDelay = 0.9;
    rig.start();
    // Timer shots that fall while the first poll waits for its reply.
    rig.host.at(rig.at(0.15), [&] { rig.timer.startIn(0.0); });
    rig.host.at(rig.at(0.45), [&] { rig.timer.startIn(0.0); });
    rig.runTo(1.5);
    EXPECT_EQ(rig.serial.sent.size(), 1u);
    EXPECT_EQ(rig.transfer.rowCount(), 2);
    EXPECT_TRUE(rig.transfer.running());
}

TEST(PollRows, EachPollAppendsItsLineAndMonitorRow) {
    OnlineRig rig;
    int n = 0;
    rig.replyFor = [&](const std::string&) { return "+00" + std::to_string(++n) + ".000 m3/h\r"; };
    rig.start();
    rig.runTo(5.0);
    EXPECT_EQ(rig.csv(), "TIME,Flow\r\n"
                         "08:00:00,+001.000 \r\n"
                         "08:00:02,+002.000 \r\n"
                         "08:00:04,+003.000 \r\n");
    EXPECT_EQ(rig.monitorCell(3, 0), "08:00:04");
    EXPECT_EQ(rig.monitorCell(3, 1), "+003.000 ");
    ASSERT_EQ(rig.monitor->rows.size(), 3u);
    const PolledRow& last = rig.monitor->rows.back();
    EXPECT_EQ(last.seq, 3);
    EXPECT_EQ(last.reply, "+003.000 m3/h\r");
    EXPECT_EQ(last.number, 3.0);
    EXPECT_EQ(last.unit, "m3/h");
    EXPECT_NEAR(last.at - rig.t0, 4.61, 1e-6);
    // The same instant on the calendar: day 20000, 08:00:04.61 local time.
    EXPECT_EQ(last.wall.epochMs, (20000LL * 86400 + 8 * 3600 + 4) * 1000 + 610);
    EXPECT_EQ(rig.transfer.rowCount(), 4);
    EXPECT_EQ(rig.serial.clears, 3);
}

TEST(PollRows, ShortReplyLeavesNoStrayCarriageReturnInTheLine) {
    OnlineRig rig;
    rig.reply = "1.23\r";
    rig.start();
    rig.runTo(1.0);
    EXPECT_EQ(rig.csv(), "TIME,Flow\r\n08:00:00,1.23\r\n");
    EXPECT_EQ(rig.monitorCell(1, 1), "1.23");
}

TEST(PollRows, DiEntriesAreSlicedByTableEntry) {
    OnlineRig rig;
    rig.view.params = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "DIplus"};
    rig.view.paramIndex = 13; // table entry 14
    rig.commands[14] = "XX";  // whatever command stands there
    rig.reply = "DI+=   +001234.5 m3\r";
    rig.start();
    rig.runTo(1.0);
    ASSERT_EQ(rig.serial.sent.size(), 1u);
    EXPECT_EQ(rig.serial.sent[0].text, "XX\r");
    EXPECT_EQ(rig.monitorCell(1, 1), "+001234");
}

TEST(PollRows, SelectionIsReadAgainAfterTheEventPump) {
    OnlineRig rig;
    rig.view.params.assign(15, "p");
    rig.view.paramIndex = 0;
    rig.reply = "ABCDEFGHIJKLMNOP\r";
    rig.start();
    // Runs in the pump between the reply (complete at 0.31 s) and the value.
    rig.host.at(rig.at(0.28), [&] { rig.view.paramIndex = 14; });
    rig.runTo(1.0);
    ASSERT_EQ(rig.serial.sent.size(), 1u);
    EXPECT_EQ(rig.serial.sent[0].text, "DQ01\r");
    EXPECT_EQ(rig.monitorCell(1, 1), "HIJKLMN");
}

TEST(PollRows, RowCountRunsPastSixteenBits) {
    OnlineRig rig;
    rig.useWorkbook();
    rig.start();
    rig.runTo(2.3 * 32770 + 1.0);
    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_EQ(rig.transfer.rowCount(), 32772);
    EXPECT_EQ(rig.link.pokes.back().item, "R32772C2");
    EXPECT_TRUE(rig.transfer.running());
}

// --- the run's sinks ---

// A run with three recording sinks sharing one log instead of CSV and monitor.
struct SinkRun {
    explicit SinkRun(bool middleEssential) {
        first = std::make_shared<fake::RecordingSink>("first", true, &log);
        middle = std::make_shared<fake::RecordingSink>("middle", middleEssential, &log);
        last = std::make_shared<fake::RecordingSink>("last", false, &log);
    }
    void start() {
        OnlineRequest r = rig.request();
        r.sinks = {first, middle, last};
        rig.transfer.start(r);
    }
    std::vector<std::string> log;
    std::shared_ptr<fake::RecordingSink> first, middle, last;
    OnlineRig rig;
};

TEST(PollSinks, EveryRowReachesEverySinkInTheirOrderAndEachEndsOnce) {
    SinkRun run(false);
    run.start();
    run.rig.runTo(3.0);
    run.rig.transfer.stopXfer();
    EXPECT_THAT(run.log, ElementsAre("first begin", "middle begin", "last begin", "first row 1",
                                     "middle row 1", "last row 1", "first row 2", "middle row 2",
                                     "last row 2", "first end", "middle end", "last end"));
    EXPECT_THAT(run.last->ends, ElementsAre(RunEnd::Stopped));
    run.rig.expectEnded();
}

TEST(PollSinks, FailingSinkThatIsNotEssentialIsReportedOnceAndTheRunGoesOn) {
    SinkRun run(false);
    run.start();
    run.middle->writeFailure = Failure(FailureCode::Other, "The broker went away");
    run.rig.runTo(5.0);
    ASSERT_EQ(run.rig.host.messages.size(), 1u);
    EXPECT_EQ(run.rig.host.messages[0].text, "The broker went away");
    EXPECT_EQ(run.first->rows.size(), 3u);
    EXPECT_EQ(run.last->rows.size(), 3u);
    EXPECT_TRUE(run.rig.transfer.running());
    // Once it takes rows again, its next failure is news again.
    run.middle->writeFailure.reset();
    run.rig.runTo(7.0);
    run.middle->writeFailure = Failure(FailureCode::Other, "Gone again");
    run.rig.runTo(10.0);
    ASSERT_EQ(run.rig.host.messages.size(), 2u);
    EXPECT_EQ(run.rig.host.messages[1].text, "Gone again");
}

TEST(PollSinks, FailingEssentialSinkEndsTheRunBeforeTheSinksAfterItSeeTheRow) {
    SinkRun run(true);
    run.start();
    run.rig.runTo(1.0);
    run.middle->writeFailure = Failure(FailureCode::Other, "Disk full");
    run.rig.runTo(5.0);
    ASSERT_EQ(run.rig.host.messages.size(), 1u);
    EXPECT_EQ(run.rig.host.messages[0].text, "Disk full");
    EXPECT_EQ(run.first->rows.size(), 2u);
    EXPECT_EQ(run.last->rows.size(), 1u);
    EXPECT_THAT(run.last->ends, ElementsAre(RunEnd::Failed));
    run.rig.expectEnded();
}

TEST(PollSinks, SinkThatCannotBeginStopsTheStartAndEndsTheOnesBegun) {
    SinkRun run(false);
    run.middle->beginFailure = Failure(FailureCode::Other, "No broker at 127.0.0.1:1");
    run.start();
    ASSERT_EQ(run.rig.host.messages.size(), 1u);
    EXPECT_EQ(run.rig.host.messages[0].text, "No broker at 127.0.0.1:1");
    EXPECT_THAT(run.log, ElementsAre("first begin", "middle begin", "first end"));
    run.rig.expectEnded();
}

TEST(PollSheet, EachPollWritesTimeAndValueCells) {
    OnlineRig rig;
    rig.useWorkbook();
    rig.reply = "12.5\r";
    rig.start();
    rig.runTo(3.0);
    EXPECT_THAT(rig.link.pokes,
                ElementsAre(Poke{"R1C1", "TIME"}, Poke{"R1C2", "Flow"}, Poke{"R2C1", "08:00:00"},
                            Poke{"R2C2", "12.5"}, Poke{"R3C1", "08:00:02"}, Poke{"R3C2", "12.5"}));
    EXPECT_TRUE(rig.monitor->begins.empty());
}

TEST(PollSheet, LostLinkIsReportedAndEndsTheTransfer) {
    OnlineRig rig;
    rig.useWorkbook();
    rig.start();
    rig.link.pokeFailure = Failure(FailureCode::Other, "The spreadsheet closed the link");
    rig.runTo(5.0);
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text, "The spreadsheet closed the link");
    EXPECT_EQ(rig.host.messages[0].title, "TIDEWELL-Z");
    rig.expectEnded();
    EXPECT_EQ(rig.serial.sent.size(), 1u);
}

TEST(PollEnds, EmptyReplyReportsThePortAndClosesTheDocument) {
    OnlineRig rig;
    rig.reply = "";
    rig.start();
    rig.runTo(10.0);
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text, "232Port is bad");
    EXPECT_EQ(rig.host.messages[0].title, "TIDEWELL-Z");
    // Twelve empty checks after eleven waits of 100 ms, after the first wait.
    EXPECT_NEAR(rig.sinceStart(rig.host.messages[0].at), 0.01 + 1.2, 1e-5);
    EXPECT_EQ(rig.serial.sent.size(), 1u);
    rig.expectEnded();
    EXPECT_EQ(rig.csv(), "TIME,Flow\r\n");
}

TEST(PollEnds, StopXferWhileWaitingForTheReplyEndsQuietly) {
    OnlineRig rig;
    rig.reply = "";
    rig.start();
    rig.host.at(rig.at(0.35), [&] { rig.transfer.stopXfer(); });
    rig.runTo(10.0);
    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_EQ(rig.serial.sent.size(), 1u);
    rig.expectEnded();
    EXPECT_TRUE(rig.stop.requested());
    EXPECT_EQ(rig.csv(), "TIME,Flow\r\n");
}

TEST(PollEnds, StopXferInTheLastWaitForTheReplyIsNoSilentInstrument) {
    OnlineRig rig;
    rig.reply = "";
    rig.start();
    // The twelfth empty check falls at 1.21 s; the click comes just before.
    rig.host.at(rig.at(1.16), [&] { rig.transfer.stopXfer(); });
    rig.runTo(5.0);
    EXPECT_TRUE(rig.host.messages.empty());
    rig.expectEnded();
}

TEST(PollEnds, StopXferBetweenPollsEndsTheTransfer) {
    OnlineRig rig;
    rig.start();
    rig.host.at(rig.at(1.0), [&] { rig.transfer.stopXfer(); });
    rig.runTo(10.0);
    EXPECT_EQ(rig.serial.sent.size(), 1u);
    EXPECT_EQ(rig.csv(), "TIME,Flow\r\n08:00:00,+0012.345\r\n");
    rig.expectEnded();
}

TEST(PollEnds, StopXferAfterTheReplyCameEndsWithoutARow) {
    OnlineRig rig;
    rig.start();
    // The reply is complete at 0.26 s and read at 0.31 s; the click runs in
    // the pump that follows, before the value is written.
    rig.host.at(rig.at(0.28), [&] { rig.transfer.stopXfer(); });
    rig.runTo(5.0);
    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_EQ(rig.csv(), "TIME,Flow\r\n");
    EXPECT_TRUE(rig.monitor->rows.empty());
    rig.expectEnded();
}

// A port whose use after closing fails, as real backends may.
class StrictSerial : public fake::FakeSerial {
  public:
    using FakeSerial::FakeSerial;
    int inBufferCount() override {
        if (!portOpen()) throw Failure(FailureCode::DeviceNotOpen, "Port is not open");
        return FakeSerial::inBufferCount();
    }
};

TEST(PollEnds, StopXferWhileReplyPiecesArriveEndsQuietly) {
    test::OnlineRigOf<StrictSerial> rig;
    // A slow trickle: one character every 0.1 s, no CR yet.
    rig.serial.onOutput = [&](const std::string&) {
        for (int i = 1; i <= 20; ++i)
            rig.serial.arriveIn(0.05 + 0.1 * i, "7");
    };
    rig.host.at(rig.at(0.55), [&] { rig.transfer.stopXfer(); });
    rig.start();
    rig.runTo(5.0);
    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_EQ(rig.csv(), "TIME,Flow\r\n");
    rig.expectEnded();
}

TEST(PollEnds, RowsReachTheFileAsTheyAreWrittenAndAHangUpKeepsThemAll) {
    OnlineRig rig;
    const std::string twoRows = "TIME,Flow\r\n08:00:00,+0012.345\r\n08:00:02,+0012.345\r\n";
    rig.start();
    rig.serial.hangUpAt(rig.at(3.0));
    rig.runTo(2.5);
    // Read while the transfer still runs and the file is open.
    EXPECT_TRUE(rig.csvSink->isOpen());
    EXPECT_EQ(rig.csv(), twoRows);
    rig.runTo(10.0);
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text, "The serial line hung up");
    EXPECT_EQ(rig.csv(), twoRows);
    rig.expectEnded();
}

} // namespace
} // namespace tz
