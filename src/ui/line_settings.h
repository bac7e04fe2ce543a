#pragma once
// The serial settings string as the mode selection window shows it:
// "baud,parity,data,stop".
#include <optional>
#include <string>

namespace tz {

struct LineSettingsCaptions {
    // A field is present only when the string holds it; the window leaves
    // the label of a missing field as it was.
    std::optional<std::string> baud;
    std::optional<std::string> dataBits;
    std::optional<std::string> parity; // already as its word ("No", "Even", ...)
    std::optional<std::string> stopBits;
};

// "O" or "o" show "O", "E" or "e" show "E"; anything else, the empty text
// and a letter with a blank beside it included, shows "No".
std::string parityWord(const std::string& parityField);

// The baud rate is the text before the first comma, the parity the text up
// to the second, the data bits the text up to the third; the stop bits are
// the last character of the whole string, whatever the fourth field holds.
// A string with fewer than three commas cannot name its data and stop bits
// (nor, with fewer commas still, its parity or baud rate): those stay empty.
LineSettingsCaptions decodeLineSettings(const std::string& commSettings);

} // namespace tz
