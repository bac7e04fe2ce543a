#pragma once
// The process-wide settings: start-up fills them from the settings files,
// the windows show them and keep what the operator changes for the next
// run; transfers receive only what they need. Member names are the names
// the operators' documentation and the settings files use.
#include <array>
#include <string>

namespace tz {

struct Globals {
    std::string CommSettings;
    // Indexed 1..20; element 0 is unused.
    std::array<std::string, 21> ParamName{};
    std::string ProgramFolder; // folder that holds the program
    // Folder of Twell.ini and Twenv.dat when not the program folder (an
    // installed program: the user's configuration folder); empty otherwise.
    std::string SettingsFolder;
    // Copied to the settings folder as its Twell.ini when it has none.
    std::string DefaultSettingsFile;
    // Folder of the default output document when not the program folder.
    std::string DocumentFolder;
    std::string HelpFile;
    std::string EnvFilePath;
    std::string ApplicationPath;
    std::string ApplicationDocument;
    int PortNo = 1;
    int SaveFormat = 1; // 1: XLS(Excel) through the link, 0: CSV(TXT)
};

} // namespace tz
