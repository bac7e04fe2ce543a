#include "online/trend.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tz {
namespace {

TEST(TrendReading, NumbersAsTheInstrumentWritesThemAndNothingElse) {
    EXPECT_EQ(readingNumber("+1234.567"), 1234.567);
    EXPECT_EQ(readingNumber(" -0.5    "), -0.5);
    EXPECT_EQ(readingNumber("+001234"), 1234.0);
    EXPECT_EQ(readingNumber("1.5E+02"), 150.0);
    for (const char* text : {"", "   ", "ERR", "+", "-.", "12.3.4", "1,5", "12 34", "inf", "nan",
                             "1e999", "+1234.56\x01", "0x10"})
        EXPECT_FALSE(readingNumber(text)) << '"' << text << '"';
}

TEST(TrendReading, UnitIsTheTextBehindTheReplysNumber) {
    EXPECT_EQ(replyUnit("+1234.567 m3/h\r"), "m3/h");
    EXPECT_EQ(replyUnit("DI+    +001234 m3\r"), "m3"); // label before the number
    EXPECT_EQ(replyUnit("+0018.500  \xC2\xB0"
                        "C\r"),
              "\xC2\xB0"
              "C");
    EXPECT_EQ(replyUnit("+0012.345\r"), "");
    EXPECT_EQ(replyUnit("ERR\r"), "");
    EXPECT_EQ(replyUnit("+1.0 m\x01h\r"), ""); // garbage is no unit
    EXPECT_EQ(replyUnit("+1.0 " + std::string(40, 'x')), "");
}

TEST(TrendStats, CoverEveryNumberAndSkipGaps) {
    Trend trend;
    trend.add(0, 3.0);
    trend.add(2, std::nullopt);
    trend.add(4, -1.0);
    trend.add(6, 7.0);
    trend.add(8, std::nullopt); // a gap last leaves the last value as it was
    const Trend::Stats& s = trend.stats();
    EXPECT_EQ(s.polls, 5u);
    EXPECT_EQ(s.values, 3u);
    EXPECT_EQ(s.last, 7.0);
    EXPECT_EQ(s.min, -1.0);
    EXPECT_EQ(s.max, 7.0);
    EXPECT_DOUBLE_EQ(*s.mean, 3.0);
    EXPECT_EQ(trend.samples().size(), 5u);

    Trend none;
    none.add(0, std::nullopt);
    EXPECT_FALSE(none.stats().mean);
    EXPECT_FALSE(none.stats().last);
}

TEST(TrendStats, MeanOfANineHourRunKeepsItsDecimals) {
    Trend trend;
    for (int i = 0; i < 16200; ++i)
        trend.add(2.0 * i, i % 2 ? 1200.001 : 1200.003);
    EXPECT_NEAR(*trend.stats().mean, 1200.002, 1e-9);
    EXPECT_EQ(trend.samples().size(), 16200u);
}

TEST(TrendDecimation, TwoPointsPerColumnKeepEveryPeakInTimeOrder) {
    Trend trend;
    for (int i = 0; i < 16200; ++i)
        trend.add(2.0 * i,
                  std::sin(i * 0.01) * 100 + (i == 7777 ? 500 : 0) - (i == 9000 ? 500 : 0));
    const auto pts = trend.decimate(0, 2.0 * 16199, 600);
    ASSERT_LE(pts.size(), 1200u);
    ASSERT_GE(pts.size(), 600u);
    double hi = -1e9, lo = 1e9;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        hi = std::max(hi, pts[i].v);
        lo = std::min(lo, pts[i].v);
        EXPECT_FALSE(pts[i].breakBefore);
        if (i) {
            EXPECT_LE(pts[i - 1].t, pts[i].t);
        }
    }
    EXPECT_EQ(hi, *trend.stats().max);
    EXPECT_EQ(lo, *trend.stats().min);
}

TEST(TrendDecimation, GapsBreakTheLineAndNeverDrawAsZero) {
    Trend trend;
    const std::optional<double> none;
    const std::optional<double> values[] = {5, 6, none, 7, none, none, 8, 9};
    for (int i = 0; i < 8; ++i)
        trend.add(i, values[i]);

    // One column per sample, and all in one column: the same breaks.
    for (int buckets : {8, 1}) {
        SCOPED_TRACE(buckets);
        const auto pts = trend.decimate(0, 7, buckets);
        std::vector<bool> breaks;
        for (const auto& p : pts) {
            EXPECT_NE(p.v, 0.0);
            EXPECT_FALSE(std::isnan(p.v));
            breaks.push_back(p.breakBefore);
        }
        if (buckets == 8) {
            EXPECT_EQ(breaks, (std::vector<bool>{false, false, true, true, false}));
        } else {
            // Lowest (5, first) and highest (9, last) with a gap between.
            ASSERT_EQ(pts.size(), 2u);
            EXPECT_EQ(pts[0].v, 5);
            EXPECT_EQ(pts[1].v, 9);
            EXPECT_TRUE(pts[1].breakBefore);
        }
    }
}

TEST(TrendKeeping, ALongRunDropsItsOldestHalfButItsStatisticsStay) {
    Trend trend(8);
    for (int i = 0; i < 20; ++i)
        trend.add(i, i == 17 ? std::nullopt : std::optional<double>(i));
    EXPECT_LE(trend.samples().size(), 8u);
    EXPECT_EQ(trend.stats().polls, 20u);
    EXPECT_EQ(trend.stats().min, 0.0);
    EXPECT_EQ(trend.samples().back().t, 19);
    // The gap's position moved with the samples: 16 and 18 stay apart.
    const auto pts = trend.decimate(16, 19, 4);
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_TRUE(pts[1].breakBefore);
    EXPECT_FALSE(pts[2].breakBefore);
}

TEST(TrendKeeping, AClockSetBackDoesNotReorderTheLine) {
    Trend trend;
    trend.add(100, 1.0);
    trend.add(40, 2.0);
    EXPECT_EQ(trend.samples().back().t, 100);
    EXPECT_EQ(trend.decimate(0, 200, 10).size(), 2u);
}

} // namespace
} // namespace tz
