#pragma once
// Start-up: the help file name, the settings file and the environment file.
#include "app/globals.h"
#include "platform/host.h"

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

// The folder of Twell.ini and Twenv.dat: globals.SettingsFolder, or the
// program folder when that is empty.
std::string settingsFolder(const Globals& globals);

// Reads Twell.ini and Twenv.dat from settingsFolder() into the
// globals. Returns false when start-up must end the program (any message
// has been shown through the host, naming the file); the globals other
// than HelpFile are then left as they were. A settings folder without a
// Twell.ini first gets a copy of globals.DefaultSettingsFile, if set.
bool startUp(Globals& globals, Host& host);

// The one line of Twenv.dat for the current globals, CR LF included.
std::string environmentLine(const Globals& globals);
// Replace Twenv.dat at globals.EnvFilePath atomically. Throws a Failure.
void writeEnvironment(const Globals& globals);

} // namespace tz
