#include "publish/row_message.h"

#include "online/iso_time.h"

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
    m += isoLocalTime(row.wall, /*milliseconds=*/true);
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
