// What the operator does with the trend: zoom and pan along the time axis,
// return to following the newest value, and take the picture away.
#include "ui/trend_chart.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tz {

namespace {

// One wheel notch shows this share of the window.
constexpr double kZoomPerNotch = 0.8;

} // namespace

void TrendChart::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y();
    if (notches == 0 || trend_.samples().empty()) {
        event->ignore();
        return;
    }
    const double x = std::clamp(event->position().x(), double(plot_.left()), double(plot_.right()));
    zoom(std::pow(kZoomPerNotch, notches / 120.0), timeAt(x));
    event->accept();
}

void TrendChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || trend_.samples().empty()) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    dragX_ = event->position().x();
    dragStart_ = timeWindow();
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void TrendChart::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    // The values follow the pointer: dragging to the right shows earlier ones.
    const double dx = event->position().x() - dragX_;
    const double seconds = -dx / std::max(1, plot_.width()) * (dragStart_.to - dragStart_.from);
    if (dx != 0) setWindow(dragStart_.from + seconds, dragStart_.to + seconds);
    event->accept();
}

void TrendChart::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        unsetCursor();
    }
    QWidget::mouseReleaseEvent(event);
}

void TrendChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    followNewest();
    event->accept();
}

void TrendChart::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* save = menu.addAction("Save as PNG\u2026");
    QAction* copy = menu.addAction("Copy");
    menu.addSeparator();
    QAction* follow = menu.addAction("Follow the Newest Value");
    follow->setEnabled(!following_);
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == save) saveWithDialog();
    if (chosen == copy) copyImage();
    if (chosen == follow) followNewest();
}

QImage TrendChart::image() {
    return grab().toImage();
}

bool TrendChart::saveImage(const QString& path, QString* error) {
    const QImage picture = image();
    // Written aside and renamed: a full disk leaves an older picture whole.
    QSaveFile file(path);
    QString reason;
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
    } else {
        QImageWriter writer(&file, "png");
        if (!writer.write(picture)) {
            reason = writer.errorString();
            file.cancelWriting();
        } else if (!file.commit()) {
            reason = file.errorString();
        }
    }
    if (error) *error = reason;
    return reason.isEmpty();
}

void TrendChart::copyImage() {
    QApplication::clipboard()->setImage(image());
}

void TrendChart::saveWithDialog() {
    if (saveFolder_.isEmpty())
        saveFolder_ = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QFileDialog dialog(this, "Save Trend as PNG", saveFolder_, "PNG image (*.png)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("png");
    // A parameter name may hold characters no file name may.
    QString name = parameter_.isEmpty() ? QString("Trend") : parameter_;
    name.replace(QRegularExpression(R"([\\/:*?"<>|\x00-\x1f])"), "_");
    dialog.selectFile(name + QDateTime::currentDateTime().toString(" yyyy-MM-dd hh-mm-ss") +
                      ".png");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().front();
    saveFolder_ = QFileInfo(path).absolutePath();
    QString error;
    if (!saveImage(path, &error))
        QMessageBox::warning(this, "Save Trend",
                             "The trend could not be saved.\n" + QDir::toNativeSeparators(path) +
                                 ": " + error);
}

} // namespace tz
