#pragma once
// The program's names and version, given once for every way it starts
// (windows, unattended run, --help and --version).

namespace tz {

// The command's name, as users type it and as messages begin.
inline constexpr const char* kProgramName = "tidewell-z";
// The application's name and its maker, under which the platform keeps
// the user's own settings (window places, remembered choices).
inline constexpr const char* kApplicationName = "TIDEWELL-Z";
inline constexpr const char* kOrganizationName = "TIDEWELL-Z team";

// The version of this build ("4.0").
const char* programVersion();

} // namespace tz
