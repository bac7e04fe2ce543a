#include "online/interval_entry.h"

#include "online_rig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tz {
namespace {

TEST(IntervalEntryCheck, MarksOnlyTheFirstFieldOutOfRange) {
    EXPECT_EQ(markFirstOutOfRange("240000"), "--0000"); // 24 in the hours
    EXPECT_EQ(markFirstOutOfRange("017500"), "01--00");
    EXPECT_EQ(markFirstOutOfRange("007580"), "00--80"); // minutes first, seconds kept
    EXPECT_EQ(markFirstOutOfRange("000060"), "0000--");
    EXPECT_EQ(markFirstOutOfRange("997599"), "--7599");
}

TEST(IntervalEntryCheck, LeavesFieldsInRangeAndIncompleteEntriesAlone) {
    EXPECT_EQ(markFirstOutOfRange("235959"), "235959");
    EXPECT_EQ(markFirstOutOfRange("000000"), "000000");
    EXPECT_EQ(markFirstOutOfRange("012"), "012");
    EXPECT_EQ(markFirstOutOfRange(""), "");
    EXPECT_EQ(markFirstOutOfRange("01--00"), "01--00");
    // Seconds typed after the marked minutes stay as typed.
    EXPECT_EQ(markFirstOutOfRange("00--80"), "00--80");
    EXPECT_EQ(markFirstOutOfRange("00--8"), "00--8");
}

struct VerdictCase {
    const char* digits;
    IntervalVerdict::Kind kind;
    int seconds;
};

class IntervalVerdicts : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(IntervalVerdicts, RangeIsTwoSecondsToNineHours) {
    const auto& c = GetParam();
    const IntervalVerdict v = judgeInterval(c.digits);
    EXPECT_EQ(v.kind, c.kind) << c.digits;
    if (c.kind == IntervalVerdict::Kind::Accepted) {
        EXPECT_EQ(v.seconds, c.seconds) << c.digits;
        EXPECT_EQ(v.message(), nullptr);
    }
}

using K = IntervalVerdict::Kind;
INSTANTIATE_TEST_SUITE_P(
    Entries, IntervalVerdicts,
    ::testing::Values(
        VerdictCase{"000001", K::OutOfRange, 0}, VerdictCase{"000002", K::Accepted, 2},
        VerdictCase{"090000", K::Accepted, 32400}, VerdictCase{"090001", K::OutOfRange, 0},
        VerdictCase{"100000", K::OutOfRange, 0}, VerdictCase{"013030", K::Accepted, 5430},
        VerdictCase{"00000", K::NotAppointed, 0}, // one position unfilled
        VerdictCase{"", K::NotAppointed, 0},
        VerdictCase{"--0000", K::OutOfRange, 0}, // 24 in the hours, marked
        VerdictCase{"01--00", K::OutOfRange, 0}, // 01:75:00, marked
        VerdictCase{"00--80", K::OutOfRange, 0}, // 00:75:80, marked
        VerdictCase{"00001-", K::OutOfRange, 0}, // one second behind a sign
        VerdictCase{"0000-5", K::OutOfRange, 0}),
    [](const ::testing::TestParamInfo<VerdictCase>& info) {
        std::string name = "Entry" + std::to_string(info.index) + "_";
        for (const char* c = info.param.digits; *c; ++c)
            name += (*c >= '0' && *c <= '9') ? *c : 'x';
        return name;
    });

// Through the window: the check writes back, a refused start only speaks.
TEST(IntervalAtStart, RefusedEntriesAndAnEmptyParameterListSayWhyAndChangeNothing) {
    struct Case {
        const char* digits;
        bool noParameters;
        const char* message;
        int focuses; // the interval entry gets the focus back, not for a missing parameter
    };
    const char* const kRange = "Input the interval range of 00:00:02 - 09:00:00.";
    for (const Case& c : {
             // As the entry's own check leaves 24 in the hours.
             Case{"--0000", false, kRange, 1},
             Case{"000001", false, kRange, 1},
             Case{"0100", false, "Interval is not appointed.", 1},
             Case{"000002", true, "Parameter is not appointed.", 0},
         }) {
        SCOPED_TRACE(c.message);
        SCOPED_TRACE(c.digits);
        test::OnlineRig rig;
        rig.stop.request();
        rig.view.digits = c.digits;
        if (c.noParameters) {
            rig.view.params.clear();
            rig.view.paramIndex = -1;
        }
        rig.start();
        ASSERT_EQ(rig.host.messages.size(), 1u);
        EXPECT_EQ(rig.host.messages[0].text, c.message);
        EXPECT_EQ(rig.host.messages[0].title, "TIDEWELL-Z");
        EXPECT_EQ(rig.view.focuses, c.focuses);
        EXPECT_EQ(rig.view.transferrings, 0);
        EXPECT_TRUE(rig.serial.calls.empty());
        EXPECT_FALSE(rig.timer.active());
        EXPECT_FALSE(std::filesystem::exists(rig.view.document));
        EXPECT_TRUE(rig.monitor->begins.empty());
        EXPECT_FALSE(rig.transfer.running());
        EXPECT_TRUE(rig.stop.requested()) << "a refused start must not clear the stop flag";

        // The same window starts once the entry is put right.
        if (c.noParameters) continue;
        rig.view.digits = "000002";
        rig.start();
        EXPECT_EQ(rig.host.messages.size(), 1u);
        EXPECT_TRUE(rig.transfer.running());
        EXPECT_DOUBLE_EQ(rig.transfer.schedule().pollInterval, 2.0);
    }
}

} // namespace
} // namespace tz
