#pragma once
// What an on-line run that kept polling through outages left in its CSV
// document, for the end-to-end tests: which rows have a value and which
// #N/A, and the spacing of the rows' dated times.
#include <limits>
#include <regex>
#include <string>
#include <vector>

namespace tz::test {

struct OutageDocument {
    // One letter a row: V a value, N #N/A, ? anything else; "VVNNNVV".
    std::string shape;
    std::vector<double> gaps; // seconds from each row's dated time to the next
};

// Seconds since 1970 of an ISO 8601 local time with offset, NaN when the
// text is not one.
inline double isoSeconds(const std::string& text) {
    static const std::regex form(
        R"((\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)(\.\d{3})?([+-])(\d\d):(\d\d))");
    std::smatch m;
    if (!std::regex_match(text, m, form)) return std::numeric_limits<double>::quiet_NaN();
    auto n = [&](int i) { return std::stoi(m[i].str()); };
    // Days from 1970-01-01 of a civil date (H. Hinnant's days_from_civil).
    int y = n(1);
    const int mo = n(2), d = n(3);
    y -= mo <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const double days = era * 146097.0 + doe - 719468;
    const double offset = (m[8].str() == "-" ? -1 : 1) * (n(9) * 3600.0 + n(10) * 60.0);
    const double fraction = m[7].matched ? std::stod(m[7].str()) : 0.0;
    return days * 86400 + n(4) * 3600.0 + n(5) * 60.0 + n(6) + fraction - offset;
}

// `lines` are the document's lines, the header first.
inline OutageDocument readOutage(const std::vector<std::string>& lines) {
    static const std::regex value(R"([+-]\d{4}\.\d{3})");
    OutageDocument out;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto comma = lines[i].find(',');
        const std::string cell = comma == std::string::npos ? "" : lines[i].substr(comma + 1);
        out.shape += cell == "#N/A" ? 'N' : std::regex_match(cell, value) ? 'V' : '?';
        if (i > 1)
            out.gaps.push_back(isoSeconds(lines[i].substr(0, comma)) -
                               isoSeconds(lines[i - 1].substr(0, lines[i - 1].find(','))));
    }
    return out;
}

} // namespace tz::test
