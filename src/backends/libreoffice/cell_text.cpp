#include "backends/libreoffice/cell_text.h"

#include <charconv>
#include <cmath>

namespace tz::calc {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Length of the digit run at the front of `s`.
std::size_t digitRun(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size() && isDigit(s[n]))
        ++n;
    return n;
}

} // namespace

std::optional<double> numberFromCellText(std::string_view text) {
    std::string_view s = trimmed(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // Shape check first: from_chars alone would take "inf", "nan" and
    // hexadecimal forms, none of which the instrument means as numbers.
    std::size_t i = digitRun(s);
    std::size_t mantissaDigits = i;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fraction = digitRun(s.substr(i + 1));
        mantissaDigits += fraction;
        i += 1 + fraction;
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t exponent = digitRun(s.substr(j));
        if (exponent == 0) return std::nullopt;
        i = j + exponent;
    }
    if (i != s.size()) return std::nullopt;

    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace tz::calc
