#include "online/poll_schedule.h"

#include <cmath>

namespace tz {

namespace {
constexpr double kDay = 86400.0;
}

double clockNow(Host& host) {
    const DayNumber before = host.today();
    double seconds = host.secondsSinceMidnight();
    const DayNumber after = host.today();
    // Midnight passed between the reads: the time may belong to either
    // day, so read it again, now certainly on the new one.
    if (before != after) seconds = host.secondsSinceMidnight();
    return static_cast<double>(after) * kDay + seconds;
}

void PollSchedule::begin(double intervalSeconds, DayNumber today) {
    firstPoll = true;
    pollInterval = intervalSeconds;
    nextPollDate = today;
    nextPollTime = 0;
}

double PollSchedule::dueAt() const {
    return static_cast<double>(nextPollDate) * kDay + nextPollTime;
}

void PollSchedule::setDueAt(double at) {
    const double day = std::floor(at / kDay);
    nextPollDate = static_cast<DayNumber>(day);
    nextPollTime = at - day * kDay;
}

bool PollSchedule::due(double now) {
    if (firstPoll) return true;
    if (dueAt() - now > pollInterval) setDueAt(now + pollInterval);
    return now >= dueAt();
}

void PollSchedule::pollEnded(double now) {
    firstPoll = false;
    setDueAt(now + pollInterval);
}

double PollSchedule::secondsUntilDue(double now) const {
    if (firstPoll) return 0;
    const double left = dueAt() - now;
    return left > 0 ? left : 0;
}

} // namespace tz
