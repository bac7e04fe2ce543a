// The program: start-up reads the settings beside the program, then the
// mode selection window leads on; the program ends with its last window.
#include "app/globals.h"
#include "app/startup.h"
#include "backends/qt/qt_host.h"
#include "ui/mode_window.h"
#include "ui/services.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    // The settings and the host outlive the application object, so that no
    // window torn down with it can reach them after they are gone.
    tz::Globals globals;
    tz::QtHost host;

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("TIDEWELL-Z team");
    QCoreApplication::setApplicationName("TIDEWELL-Z");
    QApplication::setQuitOnLastWindowClosed(true);

    globals.ProgramFolder =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
    if (!tz::startUp(globals, host)) return 1;

    tz::UiServices services = tz::qtServices(globals, host);
    tz::ModeWindow::showNew(services);
    return app.exec();
}
