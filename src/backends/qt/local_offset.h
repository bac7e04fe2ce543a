#pragma once
// The machine's local offset from UTC at an instant, from its time zone
// rules (the TZ variable or /etc/localtime on Linux, the zone setting on
// Windows): one hour in a Berlin winter, two in its summer.
namespace tz {

// Seconds east of UTC at `epochMs` (milliseconds since 1970-01-01 UTC).
int utcOffsetSecondsAt(long long epochMs);

} // namespace tz
