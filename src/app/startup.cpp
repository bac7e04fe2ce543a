#include "app/startup.h"

#include "app/items.h"
#include "app/paths.h"
#include "app/text.h"
#include "app/text_file.h"
#include "app/title.h"
#include "platform/failure.h"

#include <array>
#include <exception>

namespace tz {

namespace {

constexpr const char* kHelpFileName = "Tidewell_Z.hlp";
constexpr const char* kSettingsFileName = "Twell.ini";
constexpr const char* kEnvironmentFileName = "Twenv.dat";
constexpr const char* kDefaultApplicationPath = "C:\\MSOFFICE\\EXCEL\\EXCEL.EXE";
constexpr const char* kDefaultApplicationDocument = "C:\\Tidewell\\Tidewell.xls";
constexpr int kDefaultPortNo = 1;
constexpr int kMaxParamNames = 20;

} // namespace

bool startUp(Globals& globals, Host& host) {
    globals.HelpFile = joinProgramFolder(globals.ProgramFolder, kHelpFileName);
    try {
        // Everything is read before anything is stored, so a failed start
        // leaves the settings as they were.
        ItemReader settings =
            ItemReader::fromFile(joinProgramFolder(globals.ProgramFolder, kSettingsFileName));
        std::string commSettings = settings.readText();
        std::array<std::string, 21> names{};
        for (int n = 1; !settings.atEnd(); ++n) {
            if (n > kMaxParamNames)
                throw Failure(FailureCode::Other, "Too many parameter names in Twell.ini");
            names[n] = settings.readText();
        }

        const std::string envPath = joinProgramFolder(globals.ProgramFolder, kEnvironmentFileName);
        std::string applicationPath = kDefaultApplicationPath;
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
        if (failure.code() == FailureCode::FileNotFound)
            host.messageBox("File not find", kAppTitle);
        else if (failure.code() == FailureCode::InputPastEnd)
            host.messageBox("File failed", kAppTitle);
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
