#pragma once
// A single-shot timer on the window thread that aims at a due time rather
// than at a whole number of milliseconds.
#include "platform/host.h"

#include <QTimer>

#include <chrono>
#include <functional>

namespace tz {

// The next step towards a due time that is `remaining` seconds away.
//
// QTimer counts whole milliseconds and its wake-up comes up to a
// millisecond after the one asked for, plus scheduling. So the timer never
// aims at the due time itself: it arms a shot that lands a little early and
// finishes with a short precise sleep on the thread (at most about
// kFinishWithin). A long delay is first shortened by a shot kLeadMs early;
// the final approach then starts from a fresh clock reading close to the
// due time, where a late wake-up of the long shot costs nothing.
struct ShotPlan {
    enum Kind { Arm, Finish } kind;
    int ms = 0; // for Arm: the QTimer interval
};

inline constexpr double kFinishWithin = 0.0015; // seconds slept on the thread at most
inline constexpr double kLongDelay = 0.020;     // above this, first a shot kLeadMs early
inline constexpr int kLeadMs = 5;
inline constexpr double kLongestShot = 1e6; // seconds; fits QTimer's int milliseconds

ShotPlan planShot(double remaining);

class QtTimer : public Timer {
  public:
    QtTimer();

    void setCallback(std::function<void()> onTimeout) override { callback_ = std::move(onTimeout); }
    void startIn(double seconds) override;
    void stop() override;
    bool active() const { return active_; }

  private:
    using Clock = std::chrono::steady_clock;
    void aim();

    QTimer timer_;
    std::function<void()> callback_;
    Clock::time_point due_{};
    bool active_ = false;
};

} // namespace tz
