#include "ui/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tz::pictures {

namespace {

// The icon keeps to the classic sixteen colours so that it reads the same
// at both sizes.
const QColor kBlack(0, 0, 0);
const QColor kGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kWhite(255, 255, 255);
const QColor kNavy(0, 0, 128);
const QColor kTeal(0, 128, 128);
const QColor kYellow(255, 255, 0);
const QColor kOlive(128, 128, 0);

QPixmap blank(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QPixmap computer(int size) {
    QPixmap pm = blank(size, size);
    QPainter p(&pm);
    p.scale(size / 32.0, size / 32.0);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(kBlack);

    // Monitor with its screen.
    p.setBrush(kSilver);
    p.drawRect(3, 1, 22, 17);
    p.setBrush(kNavy);
    p.drawRect(6, 4, 16, 11);
    p.setPen(kTeal);
    p.drawLine(8, 7, 14, 7);
    p.drawLine(8, 10, 18, 10);
    p.setPen(kBlack);
    // Stand and system unit.
    p.setBrush(kGrey);
    p.drawRect(11, 18, 6, 2);
    p.setBrush(kSilver);
    p.drawRect(1, 20, 26, 6);
    p.setPen(kGrey);
    p.drawLine(4, 23, 12, 23);
    p.setPen(kBlack);
    p.setBrush(kYellow);
    p.drawRect(22, 22, 2, 1);
    // Keyboard.
    p.setBrush(kWhite);
    p.drawRect(1, 27, 22, 4);
    p.setPen(kGrey);
    for (int x = 3; x < 22; x += 3)
        p.drawPoint(x, 29);
    // Mouse on its cord.
    p.setPen(kBlack);
    p.setBrush(Qt::NoBrush);
    p.drawLine(27, 23, 29, 25);
    p.setBrush(kWhite);
    p.drawEllipse(QRect(26, 25, 5, 6));
    p.drawLine(26, 27, 30, 27);
    return pm;
}

QIcon windowIcon() {
    static const QIcon icon = [] {
        QIcon i;
        i.addPixmap(computer(32));
        i.addPixmap(computer(16));
        return i;
    }();
    return icon;
}

QPixmap logo() {
    QPixmap pm(100, 59);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);

    // A flow gauge: a pipe with a wave running through it under a dial.
    QLinearGradient water(0, 30, 0, 58);
    water.setColorAt(0, QColor(70, 150, 220));
    water.setColorAt(1, QColor(10, 60, 140));
    p.setPen(Qt::NoPen);
    p.setBrush(water);
    QPainterPath wave;
    wave.moveTo(0, 44);
    for (int x = 0; x <= 100; x += 10)
        wave.quadTo(x + 5, (x / 10) % 2 ? 38 : 50, x + 10, 44);
    wave.lineTo(100, 59);
    wave.lineTo(0, 59);
    wave.closeSubpath();
    p.drawPath(wave);

    p.setPen(QPen(kNavy, 2));
    p.setBrush(QColor(255, 255, 192));
    p.drawEllipse(QPointF(50, 24), 20, 20);
    p.setPen(QPen(kNavy, 1));
    for (int tick = -60; tick <= 60; tick += 30) {
        p.save();
        p.translate(50, 24);
        p.rotate(tick);
        p.drawLine(0, -17, 0, -13);
        p.restore();
    }
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.drawLine(QPointF(50, 24), QPointF(60, 12));
    p.setBrush(kNavy);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(50, 24), 2.5, 2.5);

    QFont f = p.font();
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kWhite);
    p.drawText(QRect(0, 46, 100, 12), Qt::AlignCenter, QStringLiteral("TIDEWELL-Z"));
    return pm;
}

QIcon openFolder() {
    static const QIcon icon = [] {
        QPixmap pm = blank(24, 20);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(kBlack);
        // Back of the folder with its tab.
        p.setBrush(kOlive);
        QPolygon back;
        back << QPoint(1, 4) << QPoint(7, 4) << QPoint(9, 6) << QPoint(18, 6) << QPoint(18, 18)
             << QPoint(1, 18);
        p.drawPolygon(back);
        // A sheet of paper sticking out.
        p.setBrush(kWhite);
        p.drawRect(5, 2, 11, 9);
        // The open front flap.
        p.setBrush(kYellow);
        QPolygon front;
        front << QPoint(5, 9) << QPoint(23, 9) << QPoint(18, 18) << QPoint(1, 18);
        p.drawPolygon(front);
        return QIcon(pm);
    }();
    return icon;
}

} // namespace tz::pictures
