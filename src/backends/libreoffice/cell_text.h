#pragma once
// How a written text reads on the Calc side of the link.
// Plain functions: no LibreOffice needed to use or test them.
#include <optional>
#include <string>
#include <string_view>

namespace tz::calc {

// The value of a text that reads as a plain decimal number: blanks around
// it, an optional sign, digits with an optional fraction, an optional
// exponent ("+0012.345", " -7 ", "1.5E-3"). Dates, times, thousands
// separators, "inf", "nan" and hexadecimal stay text: nullopt.
std::optional<double> numberFromCellText(std::string_view text);

} // namespace tz::calc
