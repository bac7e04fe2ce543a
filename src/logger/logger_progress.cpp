#include "logger/logger_progress.h"

#include <algorithm>
#include <cctype>

namespace tz {

namespace {

std::string plural(long long n, const char* one, const char* many) {
    return withThousands(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::string withThousands(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return n < 0 ? "-" + digits : digits;
}

std::string progressLine(const LoggerProgress& p) {
    if (p.set < 1) return {};
    std::string no = std::to_string(p.setNo);
    if (no.size() < 2) no = "0" + no;
    std::string line = "Set " + std::to_string(p.set) + " of " + std::to_string(p.sets) +
                       " \u2014 No." + no + ", " + withThousands(p.records);
    if (p.announced) line += " of " + withThousands(*p.announced);
    return line + (p.records == 1 && !p.announced ? " record" : " records");
}

double progressShare(const LoggerProgress& p) {
    if (p.sets < 1 || p.set < 1) return 0;
    double part = 0;
    if (p.announced && *p.announced > 0)
        part = std::clamp(static_cast<double>(p.records) / static_cast<double>(*p.announced), 0.0,
                          1.0);
    return std::clamp((p.set - 1 + part) / p.sets, 0.0, 1.0);
}

std::string resultLine(const LoggerSummary& s) {
    std::string line = plural(s.sets, "set", "sets") + ", " +
                       plural(s.records, "record", "records") + ", " +
                       plural(s.bytes, "byte", "bytes");
    if (!s.document.empty() && (s.sets > 0 || s.records > 0)) line += " \u2192 " + s.document;
    return s.stoppedBy.empty() ? line : s.stoppedBy + " \u2014 " + line;
}

std::optional<long> announcedRecords(std::string_view line) {
    std::string upper(line);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.find("RECORD") == std::string::npos) return std::nullopt;
    // The count is the line's last word.
    std::size_t end = upper.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) return std::nullopt;
    std::size_t begin = end + 1;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(upper[begin - 1])))
        --begin;
    const std::size_t digits = end + 1 - begin;
    if (digits == 0 || digits > 9) return std::nullopt;
    // A word that only ends in digits ("REC2") is no count.
    if (begin > 0 && std::isalnum(static_cast<unsigned char>(upper[begin - 1])))
        return std::nullopt;
    return std::stol(upper.substr(begin, digits));
}

std::optional<long> announcedRecords(std::u32string_view line) {
    // Only ASCII letters, digits and blanks matter to the rule.
    std::string ascii;
    ascii.reserve(line.size());
    for (char32_t c : line)
        ascii += c < 0x80 ? static_cast<char>(c) : '?';
    return announcedRecords(std::string_view(ascii));
}

} // namespace tz
