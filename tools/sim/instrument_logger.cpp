// The content of the logger data sets. Every set is generated from the
// seed and its number alone, so a set downloaded twice is the same text.
#include "instrument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tz::sim {

namespace {

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A value in [-1, 1) that depends only on its arguments.
double noise(std::uint32_t seed, int set, int record, int line) {
    const std::uint64_t h = mix(mix(mix(seed) ^ static_cast<std::uint64_t>(set)) ^
                                (static_cast<std::uint64_t>(record) << 8 | line));
    return static_cast<double>(h >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

// Days since 1970-01-01 to year, month, day (proleptic Gregorian).
void civil(long days, int& y, int& m, int& d) {
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long doe = days - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

constexpr long kFirstDay = 19363; // 2023-01-06, the day set 1 starts
constexpr int kFirstMinute = 10 * 60;
constexpr int kIntervalMinutes = 10;

// "DD/MM/YY HH:MM" of record `record` of a set; records are ten minutes
// apart and each set starts a day after the one before.
std::string stamp(int set, int record) {
    const long minutes = kFirstMinute + static_cast<long>(record) * kIntervalMinutes;
    int y = 0, m = 0, d = 0;
    civil(kFirstDay + (set - 1) + minutes / 1440, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02ld:%02ld", d, m, y % 100,
                  (minutes % 1440) / 60, minutes % 60);
    return buf;
}

// A signed value in exactly nine characters: sign, four digits, point,
// three decimals ("+1234.567"), so it is what the host's nine-character
// slice takes.
std::string nine(double v) {
    v = std::clamp(v, -9999.999, 9999.999);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+09.3f", v);
    return buf;
}

std::string counter(char sign, long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%c%08ld", sign, std::clamp(v, 0L, 99999999L));
    return buf;
}

} // namespace

std::vector<std::string> loggerHeader(const Config& config, int set, int records) {
    (void)config;
    char no[32], count[32];
    std::snprintf(no, sizeof no, "SET No.%02d", set);
    std::snprintf(count, sizeof count, "RECORDS %d", records);
    return {"TIDEWELL-Z LOGGER", no, "START " + stamp(set, 0), "INTERVAL 00:10:00", count};
}

std::vector<std::string> loggerRecord(const Config& config, int set, int record) {
    const int n = std::max(1, config.values);
    const double phase = record * 0.21 + set;
    auto jitter = [&](int line) { return noise(config.seed, set, record, line); };

    std::vector<std::string> lines;
    lines.push_back(stamp(set, record));
    if (n >= 2) lines.push_back(nine(1200 + 150 * std::sin(phase) + 5 * jitter(2)) + " m3/h");
    if (n >= 3) {
        // Velocity in seven characters behind a six-character label.
        double v = std::clamp(1.5 + 0.3 * std::sin(phase + 0.4) + 0.02 * jitter(3), 0.0, 99.999);
        char buf[32];
        std::snprintf(buf, sizeof buf, " FLOW  %+07.3f m/s", v);
        lines.push_back(buf);
    }
    if (n >= 4) {
        // Two blanks put the degree sign (Latin-1 0xB0) on the 12th
        // character, so the unit is read as the tail behind the last digit.
        lines.push_back(nine(18.5 + 1.5 * std::sin(phase * 0.1) + 0.05 * jitter(4)) + "  \260C");
    }
    // Totals grow by the volume of one ten-minute interval at ~1200 m3/h.
    const long plus = 100000L * set + 200L * record;
    const long minus = 500L * set + 3L * record;
    for (int i = 4; i < n; ++i) {
        switch ((i - 4) % 5) {
        case 0:
            lines.push_back(counter('+', plus) + " m3");
            break;
        case 1:
            lines.push_back(counter('-', minus) + " m3");
            break;
        case 2:
            lines.push_back(nine(12 + 4 * std::sin(phase) + 0.01 * jitter(i)) + " mA");
            break;
        case 3:
            lines.push_back(nine(0.51 + 0.05 * std::cos(phase) + 0.002 * jitter(i)) + " MPa");
            break;
        case 4:
            lines.push_back(nine(3.2 + 0.4 * std::sin(phase * 0.5) + 0.01 * jitter(i)) + " m");
            break;
        }
    }
    return lines;
}

std::string loggerDownload(const Config& config, int set) {
    const SetState state = config.stateOf(set);
    if (state == SetState::Silent) return {};
    const int records = state == SetState::Data ? std::max(0, config.records) : 0;
    std::string out;
    for (const auto& line : loggerHeader(config, set, records))
        out += line + '\r';
    out += '\r';
    for (int r = 0; r < records; ++r) {
        for (const auto& line : loggerRecord(config, set, r))
            out += line + '\r';
        out += '\r';
    }
    return out;
}

} // namespace tz::sim
