#include "backends/qt/port_settings.h"

#include "platform/failure.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace tz {

namespace {

[[noreturn]] void refuse(std::string_view text, const std::string& why) {
    throw Failure(FailureCode::InvalidPropertyValue,
                  "Invalid property value: the serial settings \"" + std::string(text) + "\" " +
                      why);
}

std::vector<std::string_view> splitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

bool allDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

PortSettings parsePortSettings(std::string_view text) {
    const auto fields = splitFields(text);
    if (fields.size() != 4) refuse(text, "need four fields: baud,parity,data,stop");

    PortSettings s;

    // Leading zeros are still a decimal number; the length cap keeps the
    // conversion from overflowing on a long run of digits.
    std::string_view baud = fields[0];
    while (baud.size() > 1 && baud.front() == '0')
        baud.remove_prefix(1);
    if (!allDigits(fields[0]) || baud.size() > 6) refuse(text, "have no valid baud rate");
    s.baud = std::stoi(std::string(baud));
    if (std::find(std::begin(kStandardBaudRates), std::end(kStandardBaudRates), s.baud) ==
        std::end(kStandardBaudRates))
        refuse(text, "have a baud rate the port does not offer");

    if (fields[1].size() != 1) refuse(text, "have no valid parity letter");
    switch (std::toupper(static_cast<unsigned char>(fields[1][0]))) {
    case 'N':
        s.parity = Parity::None;
        break;
    case 'E':
        s.parity = Parity::Even;
        break;
    case 'O':
        s.parity = Parity::Odd;
        break;
    case 'M':
        s.parity = Parity::Mark;
        break;
    case 'S':
        s.parity = Parity::Space;
        break;
    default:
        refuse(text, "have no valid parity letter");
    }

    if (fields[2].size() != 1 || fields[2][0] < '4' || fields[2][0] > '8')
        refuse(text, "have no valid number of data bits (4 to 8)");
    s.dataBits = fields[2][0] - '0';

    if (fields[3] == "1")
        s.stopBits = StopBits::One;
    else if (fields[3] == "1.5")
        s.stopBits = StopBits::OneAndHalf;
    else if (fields[3] == "2")
        s.stopBits = StopBits::Two;
    else
        refuse(text, "have no valid number of stop bits (1, 1.5 or 2)");

    return s;
}

} // namespace tz
