#include "backends/qt/application.h"

#include "app/about.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace tz {

void nameApplication() {
    QCoreApplication::setOrganizationName(kOrganizationName);
    QCoreApplication::setApplicationName(kApplicationName);
    QCoreApplication::setApplicationVersion(programVersion());
}

std::vector<std::string> programArguments() {
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments())
        arguments.push_back(argument.toStdString());
    return arguments;
}

ProgramSurroundings programSurroundings() {
    ProgramSurroundings around;
    around.programFolder =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
    around.userSettingsFolder = userSettingsFolder();
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QDir(documents).exists()) documents = QDir::homePath();
    around.documentsFolder = QDir::toNativeSeparators(documents).toStdString();
    return around;
}

} // namespace tz
