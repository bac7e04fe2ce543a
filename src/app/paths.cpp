#include "app/paths.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tz {

std::string joinProgramFolder(const std::string& folder, const std::string& name) {
    // Without a folder the name stays relative rather than landing in the
    // file system root.
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '\\' || last == '/') return folder + name;
    return folder + kPathSeparator + name;
}

std::string findOnPath(const std::string& name) {
#ifdef _WIN32
    (void)name;
    return {};
#else
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (folder.empty()) continue; // the current folder is no place to look
        const std::string candidate = folder + "/" + name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
#endif
}

} // namespace tz
