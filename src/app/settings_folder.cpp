#include "app/settings_folder.h"

#include "app/paths.h"
#include "app/text_file.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace tz {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr SettingsRule kThisSystem = SettingsRule::Windows;
#else
constexpr SettingsRule kThisSystem = SettingsRule::Linux;
#endif

std::string linuxInstalledDefault(const std::string& programFolder) {
    return (fs::path(programFolder) / ".." / "share" / "tidewell-z" / "Twell.ini")
        .lexically_normal()
        .string();
}

} // namespace

std::string settingsFolder(const Globals& globals) {
    return globals.SettingsFolder.empty() ? globals.ProgramFolder : globals.SettingsFolder;
}

bool folderIsWritable(const std::string& folder) {
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return false;
    std::random_device random;
    const fs::path probe = fs::path(folder) / (".tidewell-z-probe-" + std::to_string(random()));
    bool made = false;
    {
        std::ofstream out(probe, std::ios::binary | std::ios::trunc);
        made = out.is_open();
    }
    if (made) fs::remove(probe, ec);
    return made;
}

SettingsPlace decideSettingsPlace(SettingsRule rule, const ProgramSurroundings& around,
                                  const ProgramFolderFacts& facts) {
    const bool portable = around.userSettingsFolder.empty() ||
                          (rule == SettingsRule::Linux
                               ? facts.writable && (facts.holdsSettings || !facts.installedDefault)
                               : facts.writable && !facts.installed);
    if (portable) return {};
    SettingsPlace place;
    place.settingsFolder = around.userSettingsFolder;
    place.documentFolder = around.documentsFolder;
    if (facts.holdsSettings)
        place.defaultSettingsFile = joinProgramFolder(around.programFolder, "Twell.ini");
    else if (rule == SettingsRule::Linux && facts.installedDefault)
        place.defaultSettingsFile = linuxInstalledDefault(around.programFolder);
    return place;
}

bool insideFolder(const std::string& path, const std::string& folder, SettingsRule rule) {
    const auto form = [rule](const std::string& p) {
        std::string s = fs::path(p).lexically_normal().generic_string();
        if (rule == SettingsRule::Windows) {
            std::replace(s.begin(), s.end(), '\\', '/');
            std::transform(s.begin(), s.end(), s.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        }
        while (s.size() > 1 && s.back() == '/')
            s.pop_back();
        return s;
    };
    const std::string p = form(path), f = form(folder);
    if (f.empty() || f == "." || p.size() < f.size() || p.compare(0, f.size(), f) != 0)
        return false;
    return p.size() == f.size() || p[f.size()] == '/' || f.back() == '/';
}

ProgramFolderFacts examineProgramFolder(const std::string& programFolder) {
    ProgramFolderFacts facts;
    facts.writable = folderIsWritable(programFolder);
    facts.holdsSettings = isNormalFile(joinProgramFolder(programFolder, "Twell.ini"));
    facts.installedDefault = isNormalFile(linuxInstalledDefault(programFolder));
    facts.installed = isNormalFile(joinProgramFolder(programFolder, "Uninstall.exe"));
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"})
        if (const char* folder = std::getenv(name); folder && *folder)
            facts.installed = facts.installed || insideFolder(programFolder, folder, kThisSystem);
    return facts;
}

std::string linuxUserSettingsFolder(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome && *xdgConfigHome && fs::path(xdgConfigHome).is_absolute())
        return (fs::path(xdgConfigHome) / "tidewell-z").string();
    if (home && *home && fs::path(home).is_absolute())
        return (fs::path(home) / ".config" / "tidewell-z").string();
    return {};
}

std::string userSettingsFolder() {
#ifdef _WIN32
    const char* appData = std::getenv("APPDATA");
    if (!appData || !*appData || !fs::path(appData).is_absolute()) return {};
    return joinProgramFolder(appData, "TIDEWELL-Z");
#else
    return linuxUserSettingsFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
#endif
}

void placeSettings(Globals& globals, const ProgramSurroundings& around) {
    globals.ProgramFolder = around.programFolder;
    const SettingsPlace place =
        decideSettingsPlace(kThisSystem, around, examineProgramFolder(around.programFolder));
    globals.SettingsFolder = place.settingsFolder;
    globals.DefaultSettingsFile = place.defaultSettingsFile;
    globals.DocumentFolder = place.documentFolder;
}

} // namespace tz
