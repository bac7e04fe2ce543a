#pragma once
// Writing Twell.ini: the line settings and the parameter names in the
// file's own layout, so that the next start reads exactly what was saved.
#include "app/globals.h"

#include <array>
#include <string>

namespace tz {

// The file's text (UTF-8): every item between double quotes on a line of
// its own, CR LF; the names up to the last one that is not empty (an empty
// one before it stays, and ends the on-line list there, as in a file
// written by hand).
std::string settingsFileText(const std::string& commSettings,
                             const std::array<std::string, 21>& names);

// Why start-up would not read these values back as they are ("" when it
// would): a double quote or a line end in an item.
std::string settingsItemRefusal(const std::string& commSettings,
                                const std::array<std::string, 21>& names);

// Replace the settings folder's Twell.ini atomically (a reader sees the old
// file or the new one). Throws a Failure naming the file.
void writeSettingsFile(const Globals& globals, const std::string& commSettings,
                       const std::array<std::string, 21>& names);

} // namespace tz
