#include "backends/qt/qt_file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace tz {

QString qtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString pattern = i + 1 < parts.size() ? parts[i + 1] : QString();
        pattern = pattern.split(u';', Qt::SkipEmptyParts).join(u' ').trimmed();
        if (pattern.isEmpty()) pattern = QStringLiteral("*");
        if (description.isEmpty() && pattern == QStringLiteral("*") && i + 1 >= parts.size())
            continue; // a trailing '|'
        entries << (description.isEmpty() ? pattern : description + " (" + pattern + ")");
    }
    return entries.join(QStringLiteral(";;"));
}

std::string QtFileDialog::open(const std::string& filter) {
    const QString path =
        QFileDialog::getOpenFileName(owner_, QString(), QString(), qtFileFilter(filter));
    if (path.isEmpty()) return {};
    return QDir::toNativeSeparators(path).toStdString();
}

std::string QtFileDialog::chooseDocument(const std::string& filter, const std::string& current) {
    // The folder of the document shown; a folder that is gone leaves the
    // dialog where Qt would start it.
    const QFileInfo shown(QDir::fromNativeSeparators(QString::fromStdString(current)));
    QString start;
    if (!current.empty() && shown.absoluteDir().exists())
        start = shown.absoluteDir().filePath(shown.fileName());
    const QString path = QFileDialog::getSaveFileName(
        owner_, QString(), start, qtFileFilter(filter), nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return {};
    return QDir::toNativeSeparators(path).toStdString();
}

} // namespace tz
