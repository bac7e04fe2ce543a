// The program: the command line, then start-up reads the settings (beside
// the program, or in the user's settings folder for an installed copy),
// then the mode selection window leads on; the program ends with its last
// window.
// With --online or --logger it runs one transfer without windows instead.
#include "app/command_line.h"
#include "app/globals.h"
#include "app/startup.h"
#include "backends/qt/application.h"
#include "backends/qt/qt_host.h"
#include "headless/headless.h"
#include "ui/mode_window.h"
#include "ui/services.h"

#include <QApplication>

#ifdef _WIN32
#include "backends/win32/parent_console.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    if (argc > 1) tz::win32::useParentConsole();
#endif
    // The command line is read under a plain core application, so that
    // --help, --version and an unattended run need no display.
    tz::CommandLine commandLine;
    {
        QCoreApplication core(argc, argv);
        commandLine = tz::parseCommandLine(tz::programArguments());
    }
    switch (commandLine.kind) {
    case tz::CommandLine::Kind::Help:
    case tz::CommandLine::Kind::Version:
    case tz::CommandLine::Kind::Error:
        return tz::printCommandLineOutput(commandLine);
    case tz::CommandLine::Kind::Run:
        return tz::runHeadless(argc, argv, commandLine.request);
    case tz::CommandLine::Kind::Windows:
        break;
    }

    // The settings and the host outlive the application object, so that no
    // window torn down with it can reach them after they are gone.
    tz::Globals globals;
    tz::QtHost host;

    QApplication app(argc, argv);
    tz::nameApplication();
    QGuiApplication::setDesktopFileName("tidewell-z");
    QApplication::setQuitOnLastWindowClosed(true);

    tz::placeSettings(globals, tz::programSurroundings());
    if (!tz::startUp(globals, host)) return 1;

    tz::UiServices services = tz::qtServices(globals, host);
    tz::ModeWindow::showNew(services);
    return app.exec();
}
