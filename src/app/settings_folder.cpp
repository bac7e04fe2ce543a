#include "app/settings_folder.h"

#include "app/paths.h"
#include "app/text_file.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace tz {

std::string settingsFolder(const Globals& globals) {
    return globals.SettingsFolder.empty() ? globals.ProgramFolder : globals.SettingsFolder;
}

bool folderIsWritable(const std::string& folder) {
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return false;
    std::random_device random;
    const std::filesystem::path probe =
        std::filesystem::path(folder) / (".tidewell-z-probe-" + std::to_string(random()));
    bool made = false;
    {
        std::ofstream out(probe, std::ios::binary | std::ios::trunc);
        made = out.is_open();
    }
    if (made) std::filesystem::remove(probe, ec);
    return made;
}

std::string chooseSettingsFolder(const std::string& programFolder, const std::string& configFolder,
                                 const std::string& installedDefault) {
    if (configFolder.empty()) return programFolder;
    const bool ownSettings = isNormalFile(joinProgramFolder(programFolder, "Twell.ini"));
    const bool installed = !installedDefault.empty() && isNormalFile(installedDefault);
    if (folderIsWritable(programFolder) && (ownSettings || !installed)) return programFolder;
    return configFolder;
}

} // namespace tz
