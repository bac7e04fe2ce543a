// Writes the program's icon as PNG files of the given sizes, drawn by the
// same code as the window icon, for the desktop's icon theme:
//     tz-render-icon <folder> <size>...   ->  <folder>/tidewell-z-<size>.png
#include "ui/pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    // Drawing needs no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tz-render-icon <folder> <size>...\n");
        return 2;
    }
    QDir().mkpath(args[1]);
    for (int i = 2; i < args.size(); ++i) {
        const int size = args[i].toInt();
        const QString file = QDir(args[1]).filePath(QString("tidewell-z-%1.png").arg(size));
        if (size <= 0 || !tz::pictures::computer(size).save(file, "PNG")) {
            std::fprintf(stderr, "tz-render-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
