#include "publish/row_message.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tz {

namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not one
// (overlong forms, surrogates and code points beyond U+10FFFF included).
std::size_t utf8Length(const std::string& s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const auto cont = [&](std::size_t k) { return i + k < s.size() && (b(k) & 0xC0) == 0x80; };
    const unsigned char c = b(0);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(1) || !cont(2)) return 0;
        if (c == 0xE0 && b(1) < 0xA0) return 0;  // overlong
        if (c == 0xED && b(1) >= 0xA0) return 0; // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3)) return 0;
        if (c == 0xF0 && b(1) < 0x90) return 0;
        if (c == 0xF4 && b(1) >= 0x90) return 0;
        return 4;
    }
    return 0;
}

// Days since 1970-01-01 into the civil date (proleptic Gregorian).
void civilFromDays(long long z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

long long floorDiv(long long a, long long b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

std::string jsonEscaped(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t n = utf8Length(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text, i, n);
            i += n;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    return out;
}

std::string isoLocalTime(const WallClock& wall) {
    const long long localMs = wall.epochMs + static_cast<long long>(wall.utcOffsetSeconds) * 1000;
    const long long days = floorDiv(localMs, 86'400'000);
    const long long msOfDay = localMs - days * 86'400'000;
    int y = 0;
    unsigned mo = 0, d = 0;
    civilFromDays(days, y, mo, d);
    const int off = wall.utcOffsetSeconds;
    const int offAbs = off < 0 ? -off : off;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02lld:%02lld:%02lld.%03lld%c%02d:%02d", y, mo,
                  d, msOfDay / 3'600'000, msOfDay / 60'000 % 60, msOfDay / 1000 % 60,
                  msOfDay % 1000, off < 0 ? '-' : '+', offAbs / 3600, offAbs / 60 % 60);
    return buf;
}

std::string jsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string rowMessage(const RunStart& run, const PolledRow& row) {
    std::string m;
    m.reserve(160 + row.value.size());
    m += "{\"seq\": ";
    m += std::to_string(row.seq);
    m += ", \"time\": \"";
    m += isoLocalTime(row.wall);
    m += "\", \"port\": \"";
    m += jsonEscaped(run.port);
    m += "\", \"parameter\": \"";
    m += jsonEscaped(run.parameter);
    m += "\", \"value\": ";
    m += row.number ? jsonNumber(*row.number) : "null";
    m += ", \"unit\": \"";
    m += jsonEscaped(row.unit);
    m += "\", \"text\": \"";
    m += jsonEscaped(row.value);
    m += "\"}";
    return m;
}

} // namespace tz
