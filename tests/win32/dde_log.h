#pragma once
// The fake spreadsheet server's log: one event a line, fields split by
// tabs, every byte outside printable ASCII written as \xNN so that the
// raw bytes a client sent can be compared exactly.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tz::test {

inline std::string escapeBytes(std::string_view bytes) {
    std::string out;
    for (unsigned char b : bytes) {
        if (b < 0x20 || b >= 0x7F || b == '\\') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        } else {
            out.push_back(static_cast<char>(b));
        }
    }
    return out;
}

inline std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
        const auto tab = line.find('\t', from);
        fields.push_back(
            line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos) return fields;
        from = tab + 1;
    }
}

} // namespace tz::test
