#include "online/iso_time.h"

#include <cstdio>
#include <cstdlib>

namespace tz {

namespace {

struct CivilDate {
    long long year;
    unsigned month, day;
};

// The proleptic Gregorian date of a day count from 1970-01-01 (H. Hinnant's
// civil_from_days), exact for every day a clock can show.
CivilDate civilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<long long>(yoe) + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

long long floorDiv(long long a, long long b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

std::string isoLocalTime(const WallClock& at, bool milliseconds) {
    constexpr long long kDayMs = 86'400'000;
    const long long local = at.epochMs + static_cast<long long>(at.utcOffsetSeconds) * 1000;
    const long long day = floorDiv(local, kDayMs);
    const long long ms = local - day * kDayMs;
    const CivilDate date = civilFromDays(day);
    const long long s = ms / 1000;
    const int offset = std::abs(at.utcOffsetSeconds) / 60;
    char buf[64];
    if (milliseconds)
        std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02lld:%02lld:%02lld.%03lld%c%02d:%02d",
                      date.year, date.month, date.day, s / 3600, s / 60 % 60, s % 60, ms % 1000,
                      at.utcOffsetSeconds < 0 ? '-' : '+', offset / 60, offset % 60);
    else
        std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02lld:%02lld:%02lld%c%02d:%02d",
                      date.year, date.month, date.day, s / 3600, s / 60 % 60, s % 60,
                      at.utcOffsetSeconds < 0 ? '-' : '+', offset / 60, offset % 60);
    return buf;
}

} // namespace tz
