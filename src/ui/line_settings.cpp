#include "ui/line_settings.h"

#include "app/text.h"

namespace tz {

std::string parityWord(const std::string& field) {
    if (field == "O" || field == "o") return "O";
    if (field == "E" || field == "e") return "E";
    return "No";
}

LineSettingsCaptions decodeLineSettings(const std::string& s) {
    LineSettingsCaptions out;
    const auto p1 = s.find(',');
    if (p1 == std::string::npos) return out;
    out.baud = s.substr(0, p1);

    const auto p2 = s.find(',', p1 + 1);
    if (p2 == std::string::npos) return out;
    out.parity = parityWord(s.substr(p1 + 1, p2 - p1 - 1));

    const auto p3 = s.find(',', p2 + 1);
    if (p3 == std::string::npos) return out;
    out.dataBits = s.substr(p2 + 1, p3 - p2 - 1);

    // Counted in characters: a last character outside ASCII stays whole.
    out.stopBits = text::slice(s, text::charCount(s) - 1, 1);
    return out;
}

} // namespace tz
