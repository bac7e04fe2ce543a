#pragma once
// How one value line of a logger record becomes a value cell and, for the
// first record, a unit cell. Lines are counted in characters: each byte of
// the line is one Latin-1 character.
#include <string>
#include <string_view>

namespace tz::logger {

// A line that starts with "+", "-" or a blank carries a measured value.
bool isSignedLine(std::u32string_view line);

// The value cell of a non-empty value line: the first nine characters of a
// signed line whose second character is a digit, the 8th to the 14th
// character of any other signed line, and a blank followed by the whole
// line otherwise.
std::u32string valueText(std::u32string_view line);

// The same value as a piece of the line, behind a blank or not.
struct ValueCell {
    bool blank = false;
    std::u32string_view part;
};
ValueCell valueCell(std::u32string_view line);

// The unit cell of a signed line of the first record, by the first rule
// that applies:
//  - 12th character at or above U+00A0 (code 160): the tail behind the last
//    digit;
//  - 2nd character a digit: the tail behind the last blank;
//  - otherwise "(" + the first six characters + ")" + the characters from
//    the 15th on.
// A line with no digit (first rule) or no blank (second rule) has the
// whole line as its unit; a short line gives what it has to the third.
std::u32string unitText(std::u32string_view line);

} // namespace tz::logger
