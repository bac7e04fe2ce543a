#include "ui/services.h"

#include "app/title.h"
#include "platform/failure.h"

#include <QDesktopServices>
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

void showHelp(UiServices& services) {
    const std::string& path = services.globals.HelpFile;
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
