#include "app/settings_file.h"

#include "app/items.h"
#include "app/paths.h"
#include "app/settings_folder.h"
#include "app/text.h"
#include "app/text_file.h"

namespace tz {

std::string settingsFileText(const std::string& commSettings,
                             const std::array<std::string, 21>& names) {
    int last = 0;
    for (int n = 1; n <= 20; ++n)
        if (!names[static_cast<std::size_t>(n)].empty()) last = n;
    std::string text = quotedItem(commSettings) + "\r\n";
    for (int n = 1; n <= last; ++n)
        text += quotedItem(names[static_cast<std::size_t>(n)]) + "\r\n";
    return text;
}

std::string settingsItemRefusal(const std::string& commSettings,
                                const std::array<std::string, 21>& names) {
    // A quoted item has no escape for a quote, and a line end ends it.
    const auto unreadable = [](const std::string& item) {
        return item.find_first_of("\"\r\n") != std::string::npos;
    };
    if (unreadable(commSettings)) return "232Port bad setting";
    for (int n = 1; n <= 20; ++n)
        if (unreadable(names[static_cast<std::size_t>(n)]))
            return "Parameter name " + std::to_string(n) +
                   " cannot hold a double quote or a line break.";
    return {};
}

void writeSettingsFile(const Globals& globals, const std::string& commSettings,
                       const std::array<std::string, 21>& names) {
    const std::string path = joinProgramFolder(settingsFolder(globals), "Twell.ini");
    writeFileAtomically(path, text::toSystem(settingsFileText(commSettings, names)));
}

} // namespace tz
