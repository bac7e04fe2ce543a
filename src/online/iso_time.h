#pragma once
// The TIME cell as a dated local time: ISO 8601 with the offset from UTC,
// "2026-12-08T14:03:07+01:00". Unlike a bare time of day it stays
// unambiguous across midnight and across the hour a daylight-saving change
// repeats.
#include "platform/host.h"

#include <string>

namespace tz {

// How a run writes its TIME cells.
enum class TimeForm {
    SystemLong, // the system's long time format, time of day only
    IsoSeconds, // 2026-12-08T14:03:07+01:00
    IsoMillis,  // 2026-12-08T14:03:07.250+01:00
};

// `at` in local time (epochMs shifted by its offset) with that offset; a
// broker's messages take it to the millisecond.
std::string isoLocalTime(const WallClock& at, bool milliseconds = true);

} // namespace tz
