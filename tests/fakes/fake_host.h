#pragma once
// A host whose clock moves only when the logic sleeps or a test advances
// it. Events queued for a virtual time run when the logic pumps events at
// or after that time, or when the test lets the event loop idle forward.
#include "platform/host.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tz::fake {

class FakeHost : public Host {
  public:
    struct Message {
        std::string text, title;
        double at;
    };

    // Virtual time: `day` is the calendar day, `seconds` the time of day.
    explicit FakeHost(DayNumber day = 20000, double seconds = 8 * 3600.0)
        : t_(day * 86400.0 + seconds) {}

    // --- clock ---
    double now() const { return t_; } // absolute virtual seconds
    double secondsNow() const { return std::fmod(t_, 86400.0); }
    void setClock(DayNumber day, double seconds) { t_ = day * 86400.0 + seconds; }

    DayNumber today() override { return static_cast<DayNumber>(std::floor(t_ / 86400.0)); }
    double secondsSinceMidnight() override { return secondsNow(); }
    std::string timeOfDayText() override {
        const long s = static_cast<long>(std::floor(secondsNow()));
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
        return buf;
    }

    // The virtual clock is local time; the calendar instant lies
    // `utcOffsetSeconds` behind it in UTC.
    int utcOffsetSeconds = 0;
    WallClock wallClock() override {
        return {std::llround((t_ - utcOffsetSeconds) * 1000.0), utcOffsetSeconds};
    }

    void sleepMs(int ms) override {
        ++sleeps;
        sleptMs += ms;
        t_ += ms / 1000.0;
        pumpsSinceSleep_ = 0;
    }

    // --- events ---
    // Queue `fn` to run at virtual time `at` (absolute seconds).
    void at(double at, std::function<void()> fn) { queue_.emplace(at, std::move(fn)); }
    void after(double seconds, std::function<void()> fn) { at(t_ + seconds, std::move(fn)); }

    void pumpEvents() override {
        ++pumps;
        if (++pumpsSinceSleep_ > kPumpBudget)
            throw std::runtime_error("event pump spun without sleeping");
        runDue();
    }

    // Idle the event loop forward to absolute time `until`, running queued
    // events (and timer shots) at their times.
    void runUntil(double until) {
        while (!queue_.empty() && queue_.begin()->first <= until) {
            auto it = queue_.begin();
            if (it->first > t_) t_ = it->first;
            auto fn = std::move(it->second);
            queue_.erase(it);
            pumpsSinceSleep_ = 0;
            fn();
        }
        if (until > t_) t_ = until;
    }
    void runFor(double seconds) { runUntil(t_ + seconds); }
    bool idle() const { return queue_.empty(); }

    // --- message boxes ---
    void messageBox(const std::string& text, const std::string& title) override {
        messages.push_back({text, title, t_});
        if (onMessage) onMessage(text, title);
    }
    std::function<void(const std::string&, const std::string&)> onMessage;

    std::vector<Message> messages;
    long sleeps = 0;
    long sleptMs = 0;
    long pumps = 0;

  private:
    void runDue() {
        while (!queue_.empty() && queue_.begin()->first <= t_) {
            auto it = queue_.begin();
            auto fn = std::move(it->second);
            queue_.erase(it);
            fn();
        }
    }

    static constexpr long kPumpBudget = 2'000'000;
    double t_;
    long pumpsSinceSleep_ = 0;
    std::multimap<double, std::function<void()>> queue_;
};

// A single-shot timer that fires through the fake host's event queue.
class FakeTimer : public Timer {
  public:
    explicit FakeTimer(FakeHost& host) : host_(host) {}
    void setCallback(std::function<void()> cb) override { cb_ = std::move(cb); }
    void startIn(double seconds) override {
        const long shot = ++generation_;
        active_ = true;
        ++starts;
        lastDelay = seconds;
        host_.after(seconds, [this, shot] {
            if (!active_ || shot != generation_) return;
            active_ = false;
            if (cb_) cb_();
        });
    }
    void stop() override {
        active_ = false;
        ++generation_;
    }
    bool active() const { return active_; }

    long starts = 0;
    double lastDelay = -1;

  private:
    FakeHost& host_;
    std::function<void()> cb_;
    bool active_ = false;
    long generation_ = 0;
};

} // namespace tz::fake
