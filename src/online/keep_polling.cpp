#include "online/keep_polling.h"

#include <algorithm>
#include <cmath>

namespace tz {

void PortRecovery::lost(double now) {
    if (away_) return;
    away_ = true;
    lostAt_ = now;
    nextAt_ = now + kRetrySeconds;
}

double PortRecovery::retryDueAt(double now) {
    if (nextAt_ - now > kRetrySeconds) nextAt_ = now + kRetrySeconds;
    return nextAt_;
}

bool PortRecovery::retryIfDue(double now) {
    if (!away_ || now < retryDueAt(now)) return false;
    ++attempts_;
    try {
        reopen_();
    } catch (...) {
        // Still away: whatever the failure (no such port, busy, refused),
        // the next attempt is one period on, never sooner.
        nextAt_ = now + kRetrySeconds;
        return false;
    }
    away_ = false;
    return true;
}

std::string durationText(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    if (s < 60) return std::to_string(s) + " s";
    if (s < 3600) return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
    return std::to_string(s / 3600) + " h " + std::to_string(s / 60 % 60) + " min";
}

std::string FaultReports::polled(PollOutcome outcome, const std::string& when) {
    ++rows_;
    if (outcome == PollOutcome::Value) {
        const State was = state_;
        state_ = State::Fine;
        if (was != State::Silent) return {};
        const std::string line = when + " The flowmeter answers again after " +
                                 std::to_string(silentRows_) +
                                 (silentRows_ == 1 ? " row" : " rows") + " without a value.";
        silentRows_ = 0;
        return line;
    }
    ++withoutValue_;
    if (outcome == PollOutcome::PortAway) {
        if (state_ == State::Away) return {};
        state_ = State::Away;
        silentRows_ = 0;
        return when + " The connection to the flowmeter was lost; polling goes on, and " + port_ +
               " is tried again every 5 s.";
    }
    ++silentRows_;
    if (state_ == State::Silent) return {};
    state_ = State::Silent;
    silentRows_ = 1;
    return when +
           (outcome == PollOutcome::NoAnswer ? " The flowmeter does not answer"
                                             : " The flowmeter's reply holds no value") +
           "; polling goes on.";
}

std::string FaultReports::portBack(const std::string& when, double awaySeconds) {
    state_ = State::Reopened;
    return when + " " + port_ + " is open again after " + durationText(awaySeconds) + ".";
}

} // namespace tz
