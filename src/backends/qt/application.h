#pragma once
// What the program learns from Qt's application object at its start, for
// the windows and the unattended runs alike.
#include "app/settings_folder.h"

#include <string>
#include <vector>

namespace tz {

// Gives the application object the program's names and version.
void nameApplication();

// The command line as UTF-8 (on Windows from the wide command line, so
// that names outside the code page survive). Needs the application object.
std::vector<std::string> programArguments();

// The program's folder, the user's settings folder and documents. Needs
// the application object.
ProgramSurroundings programSurroundings();

} // namespace tz
