#include "backends/qt/qt_timer.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace tz {

ShotPlan planShot(double remaining) {
    if (!(remaining > kFinishWithin)) return {ShotPlan::Finish, 0}; // also NaN
    // The nudge keeps a remainder like 9.9999 ms (a due time taken from a
    // large clock value) from counting as 9 whole milliseconds.
    // A shot longer than QTimer's int milliseconds is cut short; the next
    // plan aims again from there.
    const int whole =
        static_cast<int>(std::floor(std::min(remaining, kLongestShot) * 1000.0 + 1e-3));
    if (remaining > kLongDelay) return {ShotPlan::Arm, whole - kLeadMs};
    // One millisecond short of the due time, so that a wake-up up to a
    // millisecond late still lands before it; never a zero shot, which would
    // spin the event loop until the finish window opens.
    return {ShotPlan::Arm, std::max(1, whole - 1)};
}

QtTimer::QtTimer() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { aim(); });
}

void QtTimer::startIn(double seconds) {
    if (!(seconds > 0)) seconds = 0; // also NaN
    // Days are plenty; this also keeps the duration cast from overflowing.
    seconds = std::min(seconds, 1e7);
    due_ = Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    active_ = true;
    timer_.stop();
    const ShotPlan plan = planShot(seconds);
    // Even a due time that has come fires from the event loop, never
    // inside startIn, as a single-shot timer does.
    timer_.start(plan.kind == ShotPlan::Arm ? plan.ms : 0);
}

void QtTimer::stop() {
    active_ = false;
    timer_.stop();
}

void QtTimer::aim() {
    if (!active_) return;
    const double remaining = std::chrono::duration<double>(due_ - Clock::now()).count();
    const ShotPlan plan = planShot(remaining);
    if (plan.kind == ShotPlan::Arm) {
        timer_.start(plan.ms);
        return;
    }
    if (remaining > 0) std::this_thread::sleep_until(due_);
    active_ = false;
    // The callback may re-arm this timer; it runs last.
    if (callback_) callback_();
}

} // namespace tz
