#include "online/iso_time.h"
#include "online/keep_polling.h"

#include "online_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace tz {
namespace {

// The run keeps polling through `rig`'s faults, in `form`.
void startKeepingOn(test::OnlineRig& rig, TimeForm form = TimeForm::SystemLong) {
    OnlineRequest r = rig.request();
    r.keepPolling = true;
    r.timeForm = form;
    rig.transfer.start(r);
}

// One letter a data row of the CSV document: V a value, N #N/A.
std::string shape(const test::OnlineRig& rig) {
    std::string out;
    const auto lines = test::crlfLines(rig.view.document);
    for (std::size_t i = 1; i < lines.size(); ++i)
        out += lines[i].ends_with(",#N/A") ? 'N' : 'V';
    return out;
}

TEST(KeepPolling, PulledPortGivesNaRowsOnScheduleWhileTheSamePortIsTriedEveryFiveSeconds) {
    test::OnlineRig rig; // polls of 0.3 s every 2 s: at 0.01, 2.31, 4.61, ...
    startKeepingOn(rig);
    rig.serial.hangUpAt(rig.at(3.0));
    rig.serial.openFailure = Failure(FailureCode::InvalidPortNumber, "no such port");
    rig.host.at(rig.at(14.0), [&] { rig.serial.openFailure.reset(); }); // plugged in again
    rig.runTo(25.0);

    // Lost at the poll of 4.61; away polls take no time, so the schedule
    // runs on: 6.61 ... 12.61; attempts at 9.61 and 14.61, the second one
    // opens, and the poll due then asks the instrument again.
    EXPECT_EQ(shape(rig), "VVNNNNNVVVVV");
    // The start, a failed attempt and the return, all on COM1.
    EXPECT_EQ(std::count(rig.serial.calls.begin(), rig.serial.calls.end(), "PortOpen=true"), 3);
    EXPECT_EQ(rig.serial.commPort, 1);
    ASSERT_EQ(rig.serial.sent.size(), 7u);
    EXPECT_NEAR(rig.sinceStart(rig.serial.sent[2].at), 14.61, 1e-6);
    EXPECT_LE(rig.timer.starts, 16); // one shot per poll or attempt, no busy loop
    EXPECT_TRUE(rig.transfer.running());
    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_EQ(rig.transfer.rowsWithoutValue(), 5);
    ASSERT_EQ(rig.view.faults.size(), 2u);
    EXPECT_EQ(rig.view.faults[0], "08:00:04 The connection to the flowmeter was lost; polling "
                                  "goes on, and COM1 is tried again every 5 s.");
    EXPECT_EQ(rig.view.faults[1], "08:00:14 COM1 is open again after 10 s.");

    // Rows written before the fault stay; "Stop Xfer" ends the run as ever.
    rig.transfer.stopXfer();
    rig.expectEnded();
    EXPECT_EQ(test::crlfLines(rig.view.document).size(), 13u);
}

TEST(KeepPolling, SilentOrGarbledInstrumentGivesNaRowsOnTheOpenPort) {
    test::OnlineRig rig;
    int polls = 0;
    rig.replyFor = [&](const std::string&) -> std::string {
        switch (++polls) {
        case 2:
        case 3:
            return ""; // silent
        case 4:
            return "\x01\xc3\xbf#?!\r"; // garbage
        default:
            return "+0012.345\r";
        }
    };
    startKeepingOn(rig);
    rig.runTo(14.0);
    EXPECT_EQ(shape(rig), "VNNNVV");
    EXPECT_EQ(rig.serial.opens, 1);
    EXPECT_TRUE(rig.host.messages.empty());
    ASSERT_EQ(rig.view.faults.size(), 2u);
    EXPECT_NE(rig.view.faults[0].find("The flowmeter does not answer"), std::string::npos);
    EXPECT_NE(rig.view.faults[1].find("answers again after 3 rows without a value"),
              std::string::npos);
}

TEST(PortRecovery, ClockSetBackDoesNotPostponeTheNextAttempt) {
    PortRecovery recovery([] { throw Failure(FailureCode::InvalidPortNumber, "gone"); });
    recovery.lost(1000);
    EXPECT_FALSE(recovery.retryIfDue(1004.9));
    EXPECT_DOUBLE_EQ(recovery.retryDueAt(1000 - 3600), 1000 - 3600 + 5);
    EXPECT_FALSE(recovery.retryIfDue(1000 - 3600 + 5));
    EXPECT_EQ(recovery.attempts(), 1);
}

TEST(FaultReports, EveryLossAndEveryReturnIsToldOnceWithItsTime) {
    FaultReports r("COM2");
    struct Step {
        const char* what; // an outcome, or "back" for the port opening again
        const char* expected;
    };
    const Step steps[] = {
        {"value", ""},
        {"away", "t2 The connection to the flowmeter was lost; polling goes on, and COM2 is "
                 "tried again every 5 s."},
        {"away", ""},
        {"away", ""},
        {"back", "t5 COM2 is open again after 7 s."},
        {"value", ""},
        {"silent", "t7 The flowmeter does not answer; polling goes on."},
        {"garbage", ""},
        {"value", "t9 The flowmeter answers again after 2 rows without a value."},
        {"garbage", "t10 The flowmeter's reply holds no value; polling goes on."},
        {"away", "t11 The connection to the flowmeter was lost; polling goes on, and COM2 is "
                 "tried again every 5 s."},
        {"back", "t12 COM2 is open again after 1 min 5 s."},
        {"silent", "t13 The flowmeter does not answer; polling goes on."},
        {"value", "t14 The flowmeter answers again after 1 row without a value."},
    };
    int n = 0;
    for (const Step& s : steps) {
        const std::string when = "t" + std::to_string(++n);
        const std::string what = s.what;
        std::string line;
        if (what == "back")
            line = r.portBack(when, n == 5 ? 7 : 65);
        else
            line = r.polled(what == "value"    ? PollOutcome::Value
                            : what == "away"   ? PollOutcome::PortAway
                            : what == "silent" ? PollOutcome::NoAnswer
                                               : PollOutcome::NoValue,
                            when);
        EXPECT_EQ(line, s.expected) << "step " << n;
    }
    EXPECT_EQ(r.rows(), 12);
    EXPECT_EQ(r.rowsWithoutValue(), 8);
}

TEST(IsoTime, DatedLocalTimeWithItsOffsetToTheSecondOrMillisecond) {
    struct Case {
        long long epochMs;
        int offset;
        bool ms;
        const char* text;
    };
    const Case cases[] = {
        {1796734987000, 3600, false, "2026-12-08T14:03:07+01:00"},
        {1796734987250, 3600, true, "2026-12-08T14:03:07.250+01:00"},
        {1796734987999, 3600, false, "2026-12-08T14:03:07+01:00"}, // cut, never rounded up
        {1796734987000, -12600, false, "2026-12-08T09:33:07-03:30"},
        {1796734987000, 0, true, "2026-12-08T13:03:07.000+00:00"},
        {1798761599000, 3600, false, "2027-01-01T00:59:59+01:00"}, // a new year, local only
        {951782400000, 0, false, "2000-02-29T00:00:00+00:00"},
        {-1000, 0, false, "1969-12-31T23:59:59+00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isoLocalTime({c.epochMs, c.offset}, c.ms), c.text) << c.epochMs;
}

#ifndef _WIN32
// Europe/Berlin's offset from the system's zone database.
class BerlinTime {
  public:
    BerlinTime() {
        if (const char* tz = std::getenv("TZ")) old_ = tz;
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    ~BerlinTime() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static int offsetAt(long long epochMs) {
        const std::time_t t = static_cast<std::time_t>(epochMs / 1000);
        std::tm local{};
        localtime_r(&t, &local);
        return static_cast<int>(local.tm_gmtoff);
    }

  private:
    std::optional<std::string> old_;
};
#endif

TEST(IsoTime, PollTimesAcrossMidnightAndBothDaylightSavingChangesInBerlin) {
#ifdef _WIN32
    GTEST_SKIP() << "the zone database of the Linux build";
#else
    BerlinTime berlin;
    struct Case {
        double utcStart; // seconds since 1970
        double seconds;  // how long the run lasts
        std::vector<std::string> iso;
    };
    const Case cases[] = {
        // 2026-03-28 23:10 local, polls every 30 min through midnight and
        // the hour that 02:00 skips.
        {1774735800,
         7 * 1800 + 900,
         {"2026-03-28T23:10:00+01:00", "2026-03-28T23:40:00+01:00", "2026-03-29T00:10:00+01:00",
          "2026-03-29T00:40:00+01:00", "2026-03-29T01:10:01+01:00", "2026-03-29T01:40:01+01:00",
          "2026-03-29T03:10:01+02:00", "2026-03-29T03:40:02+02:00"}},
        // 2026-10-25 01:40 local, through the hour that 03:00 repeats: the
        // clock going back is taken as a clock set back, and the next poll
        // comes one interval later.
        {1792885200,
         5 * 1800 + 900,
         {"2026-10-25T01:40:00+02:00", "2026-10-25T02:10:00+02:00", "2026-10-25T02:40:00+02:00",
          "2026-10-25T02:40:00+01:00", "2026-10-25T03:10:01+01:00"}},
    };
    for (const Case& c : cases)
        for (TimeForm form : {TimeForm::IsoSeconds, TimeForm::SystemLong}) {
            test::OnlineRig rig;
            rig.host.utcOffsetAt = &BerlinTime::offsetAt;
            rig.host.setClock(0, c.utcStart);
            rig.view.digits = "003000";
            startKeepingOn(rig, form);
            rig.host.runFor(c.seconds);
            const auto lines = test::crlfLines(rig.view.document);
            ASSERT_EQ(lines.size(), c.iso.size() + 1) << c.utcStart;
            for (std::size_t i = 0; i < c.iso.size(); ++i) {
                const std::string time = lines[i + 1].substr(0, lines[i + 1].find(','));
                // The classic form is the same local time of day, no more.
                EXPECT_EQ(time, form == TimeForm::SystemLong ? c.iso[i].substr(11, 8) : c.iso[i])
                    << c.utcStart << " row " << i + 1;
            }
        }
#endif
}

} // namespace
} // namespace tz
