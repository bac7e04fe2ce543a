#include "app/paths.h"

namespace tz {

std::string joinProgramFolder(const std::string& folder, const std::string& name) {
    // Without a folder the name stays relative rather than landing in the
    // file system root.
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '\\' || last == '/') return folder + name;
    return folder + kPathSeparator + name;
}

} // namespace tz
