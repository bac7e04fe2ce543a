#pragma once
// Placing controls from their layout coordinates. The layouts are drawn in
// twips (1/1440 inch); at 96 dots per inch 15 twips make one logical pixel,
// and Qt scales logical pixels on screens with other densities.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

namespace tz::layout {

constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips) {
    // Round half away from zero, as the layout values are all positive.
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect rect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

// The font the layout names ("Arial", "Century", "Times New Roman"), or its
// metric-compatible replacement where the named one is not installed.
QFont layoutFont(const QString& family, double points, bool bold = false);

// Name the control after its layout name and put it at its place.
template <class W> W* place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect(left, top, width, height));
    return widget;
}

void setTextColor(QWidget* widget, const QColor& color);
void setBackground(QWidget* widget, const QColor& color);

inline const QColor kRed{255, 0, 0};
inline const QColor kDarkBlue{0, 0, 128};
inline const QColor kLightYellow{255, 255, 192};

} // namespace tz::layout
