#pragma once
// When the next on-line poll falls due. The interval runs from the end of
// one poll to the start of the next. Times are kept as a calendar day plus
// seconds since midnight, and compared as one running count of seconds, so
// a due time across midnight, a missed midnight or a clock moved forward
// still leaves a poll due.
#include "platform/host.h"

namespace tz {

// The host's clock as seconds since the start of day 0; safe against
// midnight passing between the reads of date and time.
double clockNow(Host& host);

class PollSchedule {
  public:
    // "Start Transfer!": the first poll runs at the first tick.
    void begin(double intervalSeconds, DayNumber today);

    // Is a poll due at `now` (seconds from clockNow)? A due time more than
    // one interval ahead means the clock was set back; it is pulled back to
    // now + interval first.
    bool due(double now);
    // The poll ended at `now`: the next one falls due one interval later.
    void pollEnded(double now);
    // Seconds from `now` until the due time; 0 when already due.
    double secondsUntilDue(double now) const;

    bool firstPoll = false;
    double pollInterval = 0;    // seconds, 2 to 32400
    DayNumber nextPollDate = 0; // the day on which nextPollTime applies
    double nextPollTime = 0;    // seconds since midnight, 0 to below 86400

  private:
    double dueAt() const;
    void setDueAt(double at);
};

} // namespace tz
