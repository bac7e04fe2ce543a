#pragma once
// The line settings string "baud,parity,data,stop" (as in "9600,N,8,1"),
// parsed the way the classic serial control accepts it.
#include <string_view>

namespace tz {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct PortSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8; // 4 to 8
    StopBits stopBits = StopBits::One;

    bool operator==(const PortSettings&) const = default;
};

// The baud rates the control offers. Other numbers are refused: a rate the
// instrument's operators never set is far more likely a typing slip than a
// wish, and a UART would silently round it.
inline constexpr int kStandardBaudRates[] = {110,   300,    600,    1200,  2400,  4800,
                                             9600,  14400,  19200,  28800, 38400, 56000,
                                             57600, 115200, 128000, 256000};

// Exactly four comma-separated fields without blanks: a standard baud rate
// in decimal digits, one parity letter of N, E, O, M, S (either case), data
// bits 4 to 8, stop bits 1, 1.5 or 2. Anything else throws
// Failure(InvalidPropertyValue).
PortSettings parsePortSettings(std::string_view text);

} // namespace tz
