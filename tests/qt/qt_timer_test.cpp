#include "backends/qt/qt_timer.h"

#include "fake_host.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

namespace tz {
namespace {

using Clock = std::chrono::steady_clock;

// --- aiming, on the virtual clock ---------------------------------------------

TEST(ShotPlanning, NearlyDueTimesFinishAndShotsLandEarlyEvenWhenTheyWakeAMillisecondLate) {
    constexpr int kFinish = -1;
    const struct {
        double remaining;
        int ms;
    } cases[] = {
        {0, kFinish},
        {-3, kFinish},
        {std::numeric_limits<double>::quiet_NaN(), kFinish},
        {0.001, kFinish},
        {kFinishWithin, kFinish},
        {0.010, 9},
        {0.0105, 9},
        {0.020, 19},
        {0.100, 100 - kLeadMs},
        {2.5, 2500 - kLeadMs},
        // Far-off times are approached in shots QTimer can take.
        {1e9, static_cast<int>(kLongestShot * 1000) - kLeadMs},
        // Just above the finish window: still a real shot, never a zero one.
        {0.0017, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.remaining);
        const ShotPlan p = planShot(c.remaining);
        EXPECT_EQ(p.kind, c.ms == kFinish ? ShotPlan::Finish : ShotPlan::Arm);
        if (c.ms != kFinish) {
            EXPECT_EQ(p.ms, c.ms);
        }
    }
    for (double r = 0.002; r < 0.5; r += 0.0003) {
        const ShotPlan p = planShot(r);
        ASSERT_EQ(p.kind, ShotPlan::Arm) << r;
        EXPECT_GE(p.ms, 1) << r;
        EXPECT_LE(p.ms / 1000.0 + 0.001, r + 2e-6) << r;
    }
}

// Follows the plans the way QtTimer does, on the fake host's clock, with
// every shot waking `late` seconds after its interval.
struct Approach {
    int shots = 0;
    double finishSleep = 0; // the precise sleep at the end
    double lateness = 0;    // how far past the due time the callback ran
};

Approach approach(double delay, double late) {
    fake::FakeHost host;
    const double due = host.now() + delay;
    Approach a;
    for (;;) {
        const ShotPlan p = planShot(due - host.now());
        if (p.kind == ShotPlan::Finish) break;
        ++a.shots;
        host.runFor(p.ms / 1000.0 + late);
    }
    const double remaining = due - host.now();
    if (remaining > 0) {
        a.finishSleep = remaining;
        host.runFor(remaining);
    }
    a.lateness = host.now() - due;
    return a;
}

TEST(ShotPlanning, EveryDelayEndsOnTimeWithAShortFinishAndFewShotsButNeverOneLongShot) {
    const double delays[] = {0.0005, 0.003, 0.0099, 0.010, 0.0155, 0.020,
                             0.021,  0.050, 0.1,    1.0,   7.3,    540.0};
    for (double delay : delays) {
        for (double late : {0.0, 0.0003, 0.0009}) {
            const Approach a = approach(delay, late);
            EXPECT_LE(a.lateness, 1e-9) << delay << " late " << late;
            EXPECT_LE(a.finishSleep, kFinishWithin + 1e-9) << delay << " late " << late;
            EXPECT_LE(a.shots, 3) << delay << " late " << late;
        }
    }
    // The final approach starts from a fresh reading close to the due time.
    EXPECT_GE(approach(1.0, 0.0).shots, 2);
    EXPECT_GE(approach(0.050, 0.0).shots, 2);
    // A 10 ms tick costs one shot when wake-ups are punctual.
    EXPECT_EQ(approach(0.010, 0.0).shots, 1);
}

// --- the Qt timer, in real time (short) ----------------------------------------

void runLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(QtTimerShots, FiresOncePerArmNeverEarlyAndTheCallbackMayArmTheNextShot) {
    QtTimer timer;
    std::vector<Clock::time_point> fired;
    timer.setCallback([&] {
        fired.push_back(Clock::now());
        if (fired.size() < 3) timer.startIn(0.010);
    });
    const auto armed = Clock::now();
    timer.startIn(0.030);
    EXPECT_TRUE(timer.active());
    runLoopFor(150);
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_GE(fired[0] - armed, std::chrono::milliseconds(30));
    EXPECT_GE(fired[1] - fired[0], std::chrono::milliseconds(10));
    EXPECT_GE(fired[2] - fired[1], std::chrono::milliseconds(10));
    EXPECT_FALSE(timer.active());
}

TEST(QtTimerShots, ReArmingReplacesAndStopCancelsThePendingShot) {
    QtTimer timer;
    int fired = 0;
    timer.setCallback([&] { ++fired; });
    timer.startIn(0.010);
    timer.startIn(0.040);
    runLoopFor(25);
    EXPECT_EQ(fired, 0) << "the replaced shot still fired";
    runLoopFor(60);
    EXPECT_EQ(fired, 1);

    timer.startIn(0.005);
    timer.stop();
    EXPECT_FALSE(timer.active());
    runLoopFor(30);
    EXPECT_EQ(fired, 1) << "the stopped shot still fired";
}

TEST(QtTimerShots, DueShotFiresFromTheEventLoopNotInsideStart) {
    QtTimer timer;
    int fired = 0;
    timer.setCallback([&] { ++fired; });
    timer.startIn(0);
    EXPECT_EQ(fired, 0);
    runLoopFor(10);
    EXPECT_EQ(fired, 1);
    timer.startIn(-1);
    runLoopFor(10);
    EXPECT_EQ(fired, 2);
}

} // namespace
} // namespace tz
