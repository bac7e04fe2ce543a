#include "online/trend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

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

// The reduction reads long stretches by their summaries; what it gives must
// be what reading every sample gives: per column the first lowest and the
// first highest number in time order, a break wherever a gap lies between.
TEST(TrendDecimation, SummariesGiveWhatReadingEverySampleGives) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-50, 50);
    Trend trend;
    for (int i = 0; i < 5000; ++i) {
        const bool gap = random() % 20 == 0 || (i >= 1100 && i < 1700);
        trend.add(2.0 * i, gap ? std::nullopt : std::optional<double>(std::round(value(random))));
    }
    const auto& all = trend.samples();
    struct Window {
        double t0, t1;
        int buckets;
    };
    for (const Window w : {Window{0, 9998, 137}, Window{1000.3, 4001.7, 137}, Window{0, 9998, 1},
                           Window{2000.5, 2100.5, 7}, Window{100.1, 9000.9, 6000}}) {
        SCOPED_TRACE(w.buckets);
        std::vector<std::optional<std::size_t>> lo(w.buckets), hi(w.buckets);
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i].t < w.t0 || all[i].t > w.t1 || all[i].gap()) continue;
            const int b = std::min(static_cast<int>((all[i].t - w.t0) / (w.t1 - w.t0) * w.buckets),
                                   w.buckets - 1);
            if (!lo[b] || all[i].v < all[*lo[b]].v) lo[b] = i;
            if (!hi[b] || all[i].v > all[*hi[b]].v) hi[b] = i;
        }
        std::vector<Trend::Point> expected;
        std::size_t prev = 0;
        for (int b = 0; b < w.buckets; ++b) {
            if (!lo[b]) continue;
            for (std::size_t i : std::set<std::size_t>{*lo[b], *hi[b]}) {
                bool gap = false;
                for (std::size_t j = prev + 1; j < i && !expected.empty(); ++j)
                    gap = gap || all[j].gap();
                expected.push_back({all[i].t, all[i].v, gap});
                prev = i;
            }
        }
        const auto got = trend.decimate(w.t0, w.t1, w.buckets);
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].t, expected[i].t) << i;
            EXPECT_EQ(got[i].v, expected[i].v) << i;
            EXPECT_EQ(got[i].breakBefore, expected[i].breakBefore) << i;
        }
    }
}

// A part of the run drawn: the nearest values outside it carry the line on
// to the edges, unless they are gaps.
TEST(TrendDecimation, ToTheEdgesAddsTheNeighboursOutside) {
    Trend trend;
    const std::optional<double> none;
    const std::optional<double> values[] = {1, 2, 3, 4, none, 6};
    for (int i = 0; i < 6; ++i)
        trend.add(10.0 * i, values[i]);
    const auto pts = trend.decimate(15, 35, 4, Trend::Reach::ToEdges);
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_EQ(pts.front().t, 10);
    EXPECT_EQ(pts.back().t, 30) << "a gap beyond the edge adds nothing";
    EXPECT_EQ(trend.decimate(15, 35, 4).size(), 2u);
    // Between two polls: only the neighbours, joined.
    const auto inner = trend.decimate(21, 22, 4, Trend::Reach::ToEdges);
    ASSERT_EQ(inner.size(), 2u);
    EXPECT_FALSE(inner[1].breakBefore);
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
