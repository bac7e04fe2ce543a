// The program: the command line, then start-up reads the settings (beside
// the program, or in the user's configuration folder for an installed
// copy), then the mode selection window leads on; the program ends with its
// last window.
// With --online or --logger it runs one transfer without windows instead.
#include "app/globals.h"
#include "app/settings_folder.h"
#include "app/startup.h"
#include "backends/qt/port_names.h"
#include "backends/qt/qt_host.h"
#include "headless/command_line.h"
#include "headless/headless.h"
#include "ui/command_line.h"
#include "ui/mode_window.h"
#include "ui/services.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <memory>

#ifdef _WIN32
#include "backends/win32/parent_console.h"
#endif

namespace {

// The folders around the program: where its settings live, where the
// default document goes.
void placeSettings(tz::Globals& globals) {
    const QDir programDir(QCoreApplication::applicationDirPath());
    globals.ProgramFolder = QDir::toNativeSeparators(programDir.path()).toStdString();
#ifndef _WIN32
    const std::string installedDefault =
        QDir::cleanPath(programDir.filePath("../share/tidewell-z/Twell.ini")).toStdString();
    const std::string config = tz::configFolder().string();
    globals.SettingsFolder =
        tz::chooseSettingsFolder(globals.ProgramFolder, config, installedDefault);
    if (globals.SettingsFolder == globals.ProgramFolder) {
        globals.SettingsFolder.clear();
        return;
    }
    globals.DefaultSettingsFile = installedDefault;
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QDir(documents).exists()) documents = QDir::homePath();
    globals.DocumentFolder = QDir::toNativeSeparators(documents).toStdString();
#endif
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    if (argc > 1) tz::win32::useParentConsole();
#endif
    // An unattended run decides before any window system is touched, and
    // finds its settings where the windows would.
    if (tz::wantsHeadless(argc, argv)) return tz::runHeadless(argc, argv, placeSettings);

#include "headless/command_line.h"
#include "headless/headless.h"
    // --help and --version answer without a window, and so without a
    // display: the command line is read under a plain core application.
    {
        auto core = std::make_unique<QCoreApplication>(argc, argv);
        const tz::CommandLine commandLine =
            tz::parseCommandLine(QCoreApplication::arguments(), QStringLiteral(TZ_VERSION));
        if (commandLine.exitNow) return tz::printCommandLineOutput(commandLine);
    }

    // The settings and the host outlive the application object, so that no
    // window torn down with it can reach them after they are gone.
    tz::Globals globals;
    tz::QtHost host;

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("TIDEWELL-Z team");
    QCoreApplication::setApplicationName("TIDEWELL-Z");
    QCoreApplication::setApplicationVersion(QStringLiteral(TZ_VERSION));
    QGuiApplication::setDesktopFileName("tidewell-z");
    QApplication::setQuitOnLastWindowClosed(true);

    placeSettings(globals);
    if (!tz::startUp(globals, host)) return 1;

    tz::UiServices services = tz::qtServices(globals, host);
    tz::ModeWindow::showNew(services);
    return app.exec();
}
