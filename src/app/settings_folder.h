#pragma once
// Where Twell.ini and Twenv.dat live. A portable copy of the program (a
// folder of its own, a build folder) keeps them beside the program; an
// installed copy (the program under /usr/bin, its default settings under
// /usr/share/tidewell-z) cannot write there and keeps them in the user's
// configuration folder instead.
#include "app/globals.h"

#include <string>

namespace tz {

// The folder of Twell.ini, Twenv.dat and the logger's work file:
// globals.SettingsFolder, or the program folder when that is empty.
std::string settingsFolder(const Globals& globals);

// Can this process create files in `folder`? Tried with a real file, since
// permissions alone do not tell (read-only mounts, access lists).
bool folderIsWritable(const std::string& folder);

// The folder for Twell.ini and Twenv.dat: `programFolder` when it is
// writable and either holds a Twell.ini or belongs to no installation
// (`installedDefault`, the installed default Twell.ini, does not exist);
// otherwise `configFolder`. The second condition keeps an administrator
// who starts the installed program from writing settings into /usr/bin.
std::string chooseSettingsFolder(const std::string& programFolder, const std::string& configFolder,
                                 const std::string& installedDefault);

} // namespace tz
