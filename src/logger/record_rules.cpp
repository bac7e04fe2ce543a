#include "logger/record_rules.h"

namespace tz::logger {

namespace {

bool isDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// Everything behind the last character that `stop` accepts, scanning from
// the end; the whole line when no character does.
template <typename Stop> std::u32string tailBehindLast(std::u32string_view line, Stop stop) {
    for (std::size_t i = line.size(); i > 0; --i)
        if (stop(line[i - 1])) return std::u32string(line.substr(i));
    return std::u32string(line);
}

std::u32string_view part(std::u32string_view line, std::size_t from, std::size_t count) {
    if (from >= line.size()) return {};
    return line.substr(from, count);
}

} // namespace

bool isSignedLine(std::u32string_view line) {
    return !line.empty() && (line[0] == U'+' || line[0] == U'-' || line[0] == U' ');
}

ValueCell valueCell(std::u32string_view line) {
    if (isSignedLine(line)) {
        if (line.size() >= 2 && isDigit(line[1])) return {false, part(line, 0, 9)};
        return {false, part(line, 7, 7)};
    }
    return {true, line};
}

std::u32string valueText(std::u32string_view line) {
    const ValueCell v = valueCell(line);
    std::u32string out = v.blank ? U" " : U"";
    out += v.part;
    return out;
}

std::u32string unitText(std::u32string_view line) {
    // Code 160 of the code page the instrument's bytes are read in.
    constexpr char32_t kHighCharacter = 0xA0;
    if (line.size() >= 12 && line[11] >= kHighCharacter) return tailBehindLast(line, isDigit);
    if (line.size() >= 2 && isDigit(line[1]))
        return tailBehindLast(line, [](char32_t c) { return c == U' '; });
    std::u32string u = U"(";
    u += part(line, 0, 6);
    u += U')';
    u += part(line, 14, std::u32string_view::npos);
    return u;
}

} // namespace tz::logger
