#pragma once
// Where Twell.ini and Twenv.dat live. A portable copy of the program (a
// folder of its own, a build folder) keeps them beside the program; an
// installed copy keeps them in the user's settings folder, starting from a
// copy of the installed default, and puts its default document into the
// user's documents:
// - Linux: installed means the default settings under
//   ../share/tidewell-z/Twell.ini beside the program's folder (/usr/bin);
//   the user's folder is ${XDG_CONFIG_HOME:-~/.config}/tidewell-z.
// - Windows: installed means the program under a Program Files folder or
//   beside the installer's Uninstall.exe; the installed default is the
//   Twell.ini beside the program; the user's folder is
//   %APPDATA%\TIDEWELL-Z. An installed copy never writes into its own
//   folder, even where it could (an administrator, Wine).
// On both, a program folder that cannot be written is no reason to fail:
// a Twell.ini there serves as the default for the user's own copy.
#include "app/globals.h"

#include <string>
#include <vector>

namespace tz {

// The folder of Twell.ini, Twenv.dat and the logger's work file:
// globals.SettingsFolder, or the program folder when that is empty.
std::string settingsFolder(const Globals& globals);

// Can this process create files in `folder`? Tried with a real file, since
// permissions alone do not tell (read-only mounts, access lists).
bool folderIsWritable(const std::string& folder);

enum class SettingsRule { Linux, Windows };

// What the system tells about the program's surroundings.
struct ProgramSurroundings {
    std::string programFolder;
    std::string userSettingsFolder; // empty when the environment names none
    std::string documentsFolder;    // the user's documents, or the home folder
};

// What the file system tells about the program's folder.
struct ProgramFolderFacts {
    bool writable = false;
    bool holdsSettings = false;    // a Twell.ini beside the program
    bool installedDefault = false; // Linux: ../share/tidewell-z/Twell.ini exists
    bool installed = false;        // Windows: an installed copy
};

// The outcome, in the globals' terms: empty folders mean the program
// folder, an empty default means none.
struct SettingsPlace {
    std::string settingsFolder;
    std::string defaultSettingsFile;
    std::string documentFolder;
};

// The decision itself, from the facts alone.
SettingsPlace decideSettingsPlace(SettingsRule rule, const ProgramSurroundings& around,
                                  const ProgramFolderFacts& facts);

// Whether `path` is `folder` or lies inside it (no case on Windows).
bool insideFolder(const std::string& path, const std::string& folder, SettingsRule rule);

// The facts of `programFolder` as this system gives them.
ProgramFolderFacts examineProgramFolder(const std::string& programFolder);

// The user's settings folder from the environment: XDG_CONFIG_HOME or
// HOME/.config, then tidewell-z, on Linux (a relative XDG_CONFIG_HOME is
// ignored, as the XDG rules ask); %APPDATA%\TIDEWELL-Z on Windows. Empty
// when the environment gives no absolute folder.
std::string userSettingsFolder();
std::string linuxUserSettingsFolder(const char* xdgConfigHome, const char* home);

// Fills the globals' ProgramFolder, SettingsFolder, DefaultSettingsFile
// and DocumentFolder for this system.
void placeSettings(Globals& globals, const ProgramSurroundings& around);

} // namespace tz
