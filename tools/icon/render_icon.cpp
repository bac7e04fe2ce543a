// Writes the program's icon, drawn by the same code as the window icon:
//     tz-render-icon <folder> <size>...    ->  <folder>/tidewell-z-<size>.png
//                                              for the desktop's icon theme
//     tz-render-icon --ico <file> <size>...    one Windows icon holding every
//                                              size (the exe's resource)
#include "ui/pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QtEndian>

#include <cstdio>

namespace {

void put16(QByteArray& out, quint16 v) {
    v = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&v), 2);
}

void put32(QByteArray& out, quint32 v) {
    v = qToLittleEndian(v);
    out.append(reinterpret_cast<const char*>(&v), 4);
}

// An .ico of PNG images (Windows Vista and later read them at every size):
// the directory, then each size's PNG.
bool writeIco(const QString& file, const QList<int>& sizes) {
    QList<QByteArray> images;
    for (const int size : sizes) {
        if (size <= 0 || size > 256) return false;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!tz::pictures::computer(size).save(&buffer, "PNG")) return false;
        images.append(png);
    }
    QByteArray out;
    put16(out, 0);
    put16(out, 1); // an icon, not a cursor
    put16(out, static_cast<quint16>(images.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = sizes[i];
        out.append(static_cast<char>(size == 256 ? 0 : size)); // 0 stands for 256
        out.append(static_cast<char>(size == 256 ? 0 : size));
        out.append('\0'); // no palette
        out.append('\0');
        put16(out, 1);  // planes
        put16(out, 32); // bits per pixel
        put32(out, static_cast<quint32>(images[i].size()));
        put32(out, offset);
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray& png : images)
        out.append(png);
    QFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size();
}

} // namespace

int main(int argc, char** argv) {
    // Drawing needs no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 4 && args[1] == "--ico") {
        QList<int> sizes;
        for (qsizetype i = 3; i < args.size(); ++i)
            sizes.append(args[i].toInt());
        if (!writeIco(args[2], sizes)) {
            std::fprintf(stderr, "tz-render-icon: cannot write %s\n", qPrintable(args[2]));
            return 1;
        }
        return 0;
    }
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tz-render-icon <folder> <size>...\n"
                             "       tz-render-icon --ico <file> <size>...\n");
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
