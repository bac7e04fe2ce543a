#pragma once
// The program's own pictures, drawn when first needed: the window icon (a
// desktop computer with a mouse), the logo of the mode selection window and
// the open-folder picture of the path pickers.
#include <QIcon>
#include <QPixmap>

namespace tz::pictures {

QIcon windowIcon(); // 32 x 32 and 16 x 16
QPixmap computer(int size);
QPixmap logo();     // 100 x 59
QIcon openFolder(); // 24 x 20

} // namespace tz::pictures
