#pragma once
// Start-up: the help file name, the settings file and the environment file.
#include "app/globals.h"
#include "platform/host.h"

#include <string>

namespace tz {

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
