#include "ui/services.h"

#include "app/title.h"
#include "platform/failure.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tz {

void openHelpWithDesktop(const std::string& path) {
    const QString file = QString::fromStdString(path);
    if (!QFileInfo(file).isFile())
        throw Failure(FailureCode::FileNotFound, "Help file not found: " + path);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        throw Failure(FailureCode::Other, "The help file could not be opened: " + path);
}

std::string findManual() {
    const QDir program(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {program.filePath("../share/tidewell-z/manual.html"), program.filePath("manual.html")}) {
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(QFileInfo(candidate).absoluteFilePath()).toStdString();
    }
    return {};
}

void showHelp(UiServices& services) {
    // The classic help file wins where an operator has one; otherwise the
    // manual that comes with the program.
    std::string path = services.globals.HelpFile;
    if (!services.manualFile.empty() && !QFileInfo(QString::fromStdString(path)).isFile())
        path = services.manualFile;
    try {
        services.openHelp(path);
    } catch (const Failure& f) {
        services.host.messageBox(f.code() == FailureCode::FileNotFound
                                     ? "Help file not found: " + path
                                     : f.description(),
                                 kAppTitle);
    } catch (const std::exception& e) {
        services.host.messageBox(e.what(), kAppTitle);
    }
}

} // namespace tz
