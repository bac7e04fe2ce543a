#pragma once
// Paths beside the program: the platform's separator and the folder joining
// rule used for every file the program keeps next to itself.
#include <string>

namespace tz {

// The separator of the platform's paths.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The folder joining rule: append the name directly when the folder ends
// in a separator, with one separator in between otherwise.
std::string joinProgramFolder(const std::string& folder, const std::string& name);

// The first executable file `name` in the folders of PATH, "" when there is
// none.
std::string findOnPath(const std::string& name);

} // namespace tz
