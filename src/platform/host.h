#pragma once
// What the transfer loops need of the machine they run on: the window
// thread's event pump, sleeping, the clock, and message boxes. Tests use a
// virtual clock behind the same interface.
#include <functional>
#include <string>

namespace tz {

// A calendar day as a serial number (days since 1970-01-01), so that "the
// next day" is +1 and dates compare with < and ==.
using DayNumber = long;

// An instant on the calendar, as the run's machine saw it: milliseconds
// since 1970-01-01 UTC and the local offset from UTC at that instant, so a
// sink can write a dated local time that stays unambiguous across midnight
// and a daylight-saving change.
struct WallClock {
    long long epochMs = 0;
    int utcOffsetSeconds = 0;
};

class Host {
  public:
    virtual ~Host() = default;

    // Let pending window events run (clicks, timers) and return.
    virtual void pumpEvents() = 0;
    virtual void sleepMs(int ms) = 0;

    virtual DayNumber today() = 0;
    // Local time of day in seconds since midnight, with fractions.
    virtual double secondsSinceMidnight() = 0;
    // The current time of day as text in the system's time format.
    virtual std::string timeOfDayText() = 0;
    // The current instant on the calendar.
    virtual WallClock wallClock() = 0;

    // A message box with an OK button only and no icon; returns when the
    // operator has dismissed it.
    virtual void messageBox(const std::string& text, const std::string& title) = 0;
};

// A single-shot timer on the window thread. Re-arming replaces the pending
// shot. The callback runs from the event loop (or from pumpEvents).
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void setCallback(std::function<void()> onTimeout) = 0;
    virtual void startIn(double seconds) = 0;
    virtual void stop() = 0;
};

} // namespace tz
