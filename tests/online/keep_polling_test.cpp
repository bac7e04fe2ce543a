#include "online/iso_time.h"
#include "online/keep_polling.h"

#include "fake_host.h"
#include "fake_serial.h"
#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tz {
namespace {

TEST(PortRecovery, TriesTheSamePortEveryFiveSecondsUntilItOpensAndClockSetBackDoesNotStallIt) {
    fake::FakeHost host;
    fake::FakeSerial serial(host);
    serial.openFailure = Failure(FailureCode::InvalidPortNumber, "no such port");
    std::vector<double> attempts;
    PortRecovery recovery([&] {
        attempts.push_back(host.now());
        openPort(serial, 3, "9600,N,8,1", WindowKind::Online);
    });
    const double t0 = host.now();
    host.at(t0 + 12, [&] { serial.openFailure.reset(); }); // the adapter is back
    recovery.lost(t0);
    EXPECT_FALSE(recovery.retryIfDue(t0 + 4.9));
    while (recovery.away() && host.now() < t0 + 60) {
        host.runUntil(recovery.retryDueAt(host.now()));
        recovery.retryIfDue(host.now());
    }
    ASSERT_EQ(attempts.size(), 3u);
    for (std::size_t i = 0; i < attempts.size(); ++i)
        EXPECT_DOUBLE_EQ(attempts[i] - t0, 5.0 * static_cast<double>(i + 1));
    EXPECT_TRUE(serial.portOpen());
    EXPECT_EQ(serial.commPort, 3);

    // Lost again, then the clock goes back an hour: the next attempt is
    // still at most one period away.
    serial.setPortOpen(false);
    recovery.lost(host.now());
    EXPECT_DOUBLE_EQ(recovery.retryDueAt(host.now() - 3600), host.now() - 3600 + 5);
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

TEST(FaultReports, ValueCellsThatAreNumbers) {
    for (const char* yes : {"+0012.345", "-0.5", "  12", "+001234", "1.5E+03", "7.", "+0012.3 "})
        EXPECT_TRUE(isNumberCell(yes)) << yes;
    for (const char* no : {"", "ERR", "+", ".", "12.3.4",
                           "\x01\xff"
                           "12",
                           "12 m3", "--1", "1E", "#N/A"})
        EXPECT_FALSE(isNumberCell(no)) << no;
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

} // namespace
} // namespace tz
