#include "app/startup.h"

#include "app/items.h"
#include "app/paths.h"
#include "app/settings_folder.h"
#include "app/text.h"
#include "app/text_file.h"
#include "app/title.h"
#include "platform/failure.h"

#include <array>
#include <exception>
#include <filesystem>
#include <system_error>

namespace tz {

namespace {

constexpr const char* kHelpFileName = "Tidewell_Z.hlp";
constexpr const char* kSettingsFileName = "Twell.ini";
constexpr const char* kEnvironmentFileName = "Twenv.dat";
constexpr const char* kDefaultApplicationPath = "C:\\MSOFFICE\\EXCEL\\EXCEL.EXE";
constexpr const char* kDefaultApplicationDocument = "C:\\Tidewell\\Tidewell.xls";
constexpr int kDefaultPortNo = 1;

// Excel's classic place means nothing on Linux, where the workbook goes to
// LibreOffice: the soffice that PATH finds is shown and saved instead.
std::string defaultApplicationPath() {
#ifdef _WIN32
    return kDefaultApplicationPath;
#else
    const std::string soffice = findOnPath("soffice");
    return soffice.empty() ? "soffice" : soffice;
#endif
}
constexpr int kMaxParamNames = 20;

} // namespace

namespace {

// A settings folder of its own (not the program folder) starts with a copy
// of the default settings file. Nothing is replaced: the operator's own
// Twell.ini always wins.
void provideSettingsFile(const Globals& globals, const std::string& settingsPath) {
    if (globals.DefaultSettingsFile.empty() || isNormalFile(settingsPath)) return;
    if (!isNormalFile(globals.DefaultSettingsFile)) return;
    std::error_code ec;
    std::filesystem::create_directories(settingsFolder(globals), ec);
    if (ec)
        throw Failure(FailureCode::Other, "The settings folder " + settingsFolder(globals) +
                                              " could not be created: " + ec.message());
    copyFileReplacing(globals.DefaultSettingsFile, settingsPath);
    // The copy is the operator's to edit, even when the default was a
    // read-only file.
    std::filesystem::permissions(settingsPath, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
}

} // namespace

bool startUp(Globals& globals, Host& host) {
    globals.HelpFile = joinProgramFolder(globals.ProgramFolder, kHelpFileName);
    const std::string folder = settingsFolder(globals);
    const std::string settingsPath = joinProgramFolder(folder, kSettingsFileName);
    // The file being read when a failure comes, for the message.
    std::string reading = settingsPath;
    try {
        provideSettingsFile(globals, settingsPath);
    } catch (const Failure& failure) {
        host.messageBox("The settings file " + settingsPath + " could not be made from " +
                            globals.DefaultSettingsFile + ".\n" + failure.description(),
                        kAppTitle);
        return false;
    }
    try {
        // Everything is read before anything is stored, so a failed start
        // leaves the settings as they were.
        ItemReader settings = ItemReader::fromFile(settingsPath);
        std::string commSettings = settings.readText();
        std::array<std::string, 21> names{};
        for (int n = 1; !settings.atEnd(); ++n) {
            if (n > kMaxParamNames)
                throw Failure(FailureCode::Other, "Too many parameter names in Twell.ini");
            names[n] = settings.readText();
        }

        const std::string envPath = joinProgramFolder(folder, kEnvironmentFileName);
        reading = envPath;
        std::string applicationPath = defaultApplicationPath();
        std::string applicationDocument = kDefaultApplicationDocument;
        int portNo = kDefaultPortNo;
        if (isNormalFile(envPath)) {
            ItemReader env = ItemReader::fromFile(envPath);
            applicationPath = env.readText();
            applicationDocument = env.readText();
            portNo = env.readInt16();
        }

        globals.CommSettings = std::move(commSettings);
        globals.ParamName = std::move(names);
        globals.EnvFilePath = envPath;
        globals.ApplicationPath = std::move(applicationPath);
        globals.ApplicationDocument = std::move(applicationDocument);
        globals.PortNo = portNo;
        return true;
    } catch (const Failure& failure) {
        // The message's first line is the program's classic text; the
        // second names the file, which is no longer always beside the
        // program.
        if (failure.code() == FailureCode::FileNotFound)
            host.messageBox("File not find\n" + reading, kAppTitle);
        else if (failure.code() == FailureCode::InputPastEnd)
            host.messageBox("File failed\n" + reading, kAppTitle);
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

std::string environmentLine(const Globals& globals) {
    return quotedItem(globals.ApplicationPath) + "," + quotedItem(globals.ApplicationDocument) +
           "," + std::to_string(globals.PortNo) + "\r\n";
}

void writeEnvironment(const Globals& globals) {
    writeFileAtomically(globals.EnvFilePath, text::toSystem(environmentLine(globals)));
}

} // namespace tz
