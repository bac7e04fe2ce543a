#include "online/poll_schedule.h"

#include "fake_host.h"

#include <gtest/gtest.h>

namespace tz {
namespace {

constexpr double kDay = 86400.0;
constexpr DayNumber kToday = 20000;

double at(DayNumber day, double seconds) {
    return day * kDay + seconds;
}

TEST(PollSchedule, NextPollFallsDueOneIntervalAfterThePollEnded) {
    PollSchedule s;
    s.begin(2, kToday);
    s.pollEnded(at(kToday, 100.3));
    EXPECT_FALSE(s.firstPoll);
    EXPECT_NEAR(s.nextPollTime, 102.3, 1e-5);
    EXPECT_FALSE(s.due(at(kToday, 102.29)));
    EXPECT_NEAR(s.secondsUntilDue(at(kToday, 101.3)), 1.0, 1e-5);
    EXPECT_TRUE(s.due(at(kToday, 102.3)));
}

TEST(PollSchedule, DueTimeAcrossMidnightIsThePlainSum) {
    PollSchedule s;
    s.begin(10, kToday);
    s.pollEnded(at(kToday, 86398)); // 23:59:58
    EXPECT_EQ(s.nextPollDate, kToday + 1);
    EXPECT_NEAR(s.nextPollTime, 8.0, 1e-6); // 00:00:08, not 00:00:09
    EXPECT_FALSE(s.due(at(kToday + 1, 7.9)));
    EXPECT_TRUE(s.due(at(kToday + 1, 8.0)));
}

TEST(PollSchedule, DueTimeJustBeforeMidnightStaysOnItsDay) {
    PollSchedule s;
    s.begin(2, kToday);
    s.pollEnded(at(kToday, 86397.5)); // due at 86399.5, the second the old rule lost
    EXPECT_EQ(s.nextPollDate, kToday);
    EXPECT_NEAR(s.nextPollTime, 86399.5, 1e-6);
    EXPECT_TRUE(s.due(at(kToday, 86399.5)));
}

TEST(PollSchedule, LaterDateCountsAsDue) {
    PollSchedule s;
    s.begin(600, kToday);
    s.pollEnded(at(kToday, 86000)); // due next day at 00:06:40
    // Missed midnight and more: three days later, earlier in the day.
    EXPECT_TRUE(s.due(at(kToday + 3, 10)));
    // A later day in the morning that is past the due time also counts.
    EXPECT_TRUE(s.due(at(kToday + 1, 401)));
}

TEST(PollSchedule, ClockSetBackPullsTheDueTimeToOneIntervalAhead) {
    PollSchedule s;
    s.begin(30, kToday);
    s.pollEnded(at(kToday, 50000)); // due at 50030
    // The clock goes back an hour: without the guard the next poll would
    // wait an hour and thirty seconds.
    const double now = at(kToday, 50000 - 3600);
    EXPECT_FALSE(s.due(now));
    EXPECT_NEAR(s.secondsUntilDue(now), 30.0, 1e-6);
    EXPECT_TRUE(s.due(now + 30));
}

// A host whose midnight passes between the reads of date and time.
class MidnightHost : public fake::FakeHost {
  public:
    MidnightHost() : FakeHost(kToday, 86399.999) {}
    DayNumber today() override {
        const DayNumber d = FakeHost::today();
        if (reads++ == 0) setClock(kToday + 1, 0.001); // the clock moves on after the read
        return d;
    }
    int reads = 0;
};

TEST(ClockNow, MidnightBetweenTheReadsGivesTheNewDay) {
    MidnightHost host;
    const double now = clockNow(host);
    EXPECT_NEAR(now, at(kToday + 1, 0.001), 1e-6);
}

} // namespace
} // namespace tz
