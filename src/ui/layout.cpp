#include "ui/layout.h"

#include <QFontDatabase>
#include <QPalette>
#include <QStringList>

namespace tz::layout {

namespace {

// The first installed family of the list; the named one when none is.
QString installedFamily(const QStringList& candidates) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : candidates)
        if (installed.contains(family, Qt::CaseInsensitive)) return family;
    return candidates.front();
}

QString screenFamily(const QString& family) {
    if (family == QLatin1String("Arial"))
        return installedFamily({"Arial", "Liberation Sans", "Arimo", "Nimbus Sans"});
    if (family == QLatin1String("Times New Roman"))
        return installedFamily({"Times New Roman", "Liberation Serif", "Tinos", "Nimbus Roman"});
    if (family == QLatin1String("Century"))
        return installedFamily(
            {"Century", "Century Schoolbook", "C059", "TeX Gyre Schola", "Liberation Serif"});
    return family;
}

} // namespace

QFont layoutFont(const QString& family, double points, bool bold) {
    QFont f(screenFamily(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

void setTextColor(QWidget* widget, const QColor& color) {
    // Only the usable look: a disabled control keeps the style's grey text.
    QPalette p = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::WindowText, color);
        p.setColor(group, QPalette::Text, color);
        p.setColor(group, QPalette::ButtonText, color);
    }
    widget->setPalette(p);
}

void setBackground(QWidget* widget, const QColor& color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, color);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

} // namespace tz::layout
