#pragma once
// How a poked text, an item and a topic read on the Calc side of the link.
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

struct CellPosition {
    int row = 0; // from 1
    int col = 0; // from 1
};
// "R<row>C<col>" with both numbers from 1; nullopt for anything else.
std::optional<CellPosition> parseCellItem(std::string_view item);

// The document path of an "Excel|<path>" topic; a topic without an
// application name is the path itself.
std::string documentPathOfTopic(const std::string& topic);

} // namespace tz::calc
