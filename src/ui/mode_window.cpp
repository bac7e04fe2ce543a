#include "ui/mode_window.h"

#include "ui/layout.h"
#include "ui/line_settings.h"
#include "ui/logger_window.h"
#include "ui/online_window.h"
#include "ui/pictures.h"
#include "ui/settings_dialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace tz {

using namespace layout;

namespace {

QLabel* label(QWidget* parent, const char* name, const char* caption, int l, int t, int w, int h,
              const QFont& f) {
    auto* lb = place(new QLabel(QString::fromUtf8(caption), parent), name, l, t, w, h);
    lb->setTextFormat(Qt::PlainText);
    lb->setFont(f);
    return lb;
}

} // namespace

ModeWindow::ModeWindow(UiServices& services, std::optional<QPoint> at) : services_(services) {
    setAttribute(Qt::WA_DeleteOnClose);
    build();
    load();
    if (at) {
        move(*at);
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

ModeWindow* ModeWindow::showNew(UiServices& services, std::optional<QPoint> at) {
    auto* window = new ModeWindow(services, at);
    window->show();
    window->activateWindow();
    return window;
}

void ModeWindow::build() {
    setObjectName("Tide01");
    setWindowTitle("TIDEWELL-Z  (F1:HELP)");
    setWindowIcon(pictures::windowIcon());
    const QFont windowFont = layoutFont("Arial", 9);
    setFont(windowFont);
    setFixedSize(px(7860), px(2700) + kSettingsStripHeight);

    panel_ = place(new QGroupBox(this), "SSFrame4", 60, 0, 7695, 2595);
    panel_->setFont(windowFont);
    QWidget* f4 = panel_;

    auto* panel1 = label(f4, "SSPanel1", "", 300, 280, 3015, 555, windowFont);
    panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    setBackground(panel1, kLightYellow);
    auto* title =
        label(f4, "Label0", "TIDEWELL-Z", 360, 380, 2895, 375, layoutFont("Century", 15.75, true));
    title->setAlignment(Qt::AlignCenter);
    setBackground(title, kLightYellow);
    label(f4, "Label1", "V4.00", 3420, 600, 495, 195, layoutFont("Times New Roman", 9, true));

    auto* logo = place(new QLabel(f4), "SSPanel2", 5925, 240, 1500, 885);
    logo->setPixmap(pictures::logo());
    logo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    label(f4, "Label6", "\u00A9 TIDEWELL-Z team", 5040, 1200, 2415, 315, windowFont);
    label(f4, "Label2", "Flowmeter Settings", 360, 1080, 3135, 255, layoutFont("Arial", 9.75));
    const QFont small = layoutFont("Arial", 8.25);
    label(f4, "Label3", "Baud", 360, 1485, 1095, 255, small);
    label(f4, "Label4", "Databit", 360, 1725, 975, 195, small);
    label(f4, "Label5", "Stopbit", 360, 1965, 975, 285, small);
    label(f4, "Label11", "Parity", 360, 2205, 975, 315, small);
    const QFont colon = layoutFont("Arial", 9, true);
    label(f4, "Label12", ":", 1680, 1480, 135, 255, colon);
    label(f4, "Label13", ":", 1680, 1720, 135, 255, colon);
    label(f4, "Label14", ":", 1680, 1960, 135, 255, colon);
    label(f4, "Label15", ":", 1680, 2200, 135, 255, colon);
    baud_ = label(f4, "Label7", "9600", 1920, 1480, 495, 195, small);
    dataBits_ = label(f4, "Label8", "8", 1920, 1720, 435, 195, small);
    stopBits_ = label(f4, "Label9", "1", 1920, 1960, 375, 195, small);
    parity_ = label(f4, "Label10", "No", 1920, 2200, 495, 195, small);

    modeGroup_ = place(new QGroupBox("Transfer Mode", f4), "Frame1_1", 2520, 1480, 1755, 975);
    formatGroup_ = place(new QGroupBox("Save File Format", f4), "Frame1_2", 4320, 1480, 1695, 975);
    modeGroup_->setFont(small);
    formatGroup_->setFont(small);
    // Radio buttons that share a frame form one exclusive group.
    loggerMode_ =
        place(new QRadioButton("Logger data", modeGroup_), "SSOption1_0", 120, 300, 1455, 255);
    onlineMode_ =
        place(new QRadioButton("On-line data", modeGroup_), "SSOption1_1", 120, 600, 1455, 255);
    xlsFormat_ =
        place(new QRadioButton("XLS(Excel)", formatGroup_), "SSOption1_3", 120, 300, 1455, 255);
    csvFormat_ =
        place(new QRadioButton("CSV(TXT)", formatGroup_), "SSOption1_2", 120, 600, 1455, 255);
    for (QRadioButton* option : {loggerMode_, onlineMode_, xlsFormat_, csvFormat_})
        option->setFont(small);
    onlineMode_->setChecked(true);
    xlsFormat_->setChecked(true);

    okButton_ = place(new QPushButton("OK", f4), "SSCommand1", 6120, 1590, 1335, 855);
    okButton_->setFont(layoutFont("Arial", 14.25, true));
    okButton_->setDefault(true);
    okButton_->setAutoDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &ModeWindow::pressOk);

    settingsButton_ = new QPushButton("Settings\u2026", this);
    settingsButton_->setObjectName("settingsButton");
    settingsButton_->setAutoDefault(false);
    // Outside the laid-out keyboard order: OK, the modes, the formats.
    settingsButton_->setFocusPolicy(Qt::NoFocus);
    settingsButton_->setToolTip("Baud rate, parity, data and stop bits and the parameter names "
                                "(Twell.ini)");
    const QSize hint = settingsButton_->sizeHint();
    settingsButton_->setGeometry(width() - hint.width() - 8,
                                 px(2700) + (kSettingsStripHeight - hint.height()) / 2,
                                 hint.width(), hint.height());
    connect(settingsButton_, &QPushButton::clicked, this, [this] { showSettings(); });

    for (QWidget* w : findChildren<QWidget*>())
        if (!qobject_cast<QAbstractButton*>(w)) w->setFocusPolicy(Qt::NoFocus);
    setTabOrder(okButton_, loggerMode_);
    setTabOrder(loggerMode_, onlineMode_);
    setTabOrder(onlineMode_, xlsFormat_);
    setTabOrder(xlsFormat_, csvFormat_);
    okButton_->setFocus();
}

void ModeWindow::load() {
    // Every field is decoded before any label changes.
    const LineSettingsCaptions c = decodeLineSettings(services_.globals.CommSettings);
    if (c.baud) baud_->setText(QString::fromStdString(*c.baud));
    if (c.dataBits) dataBits_->setText(QString::fromStdString(*c.dataBits));
    if (c.parity) parity_->setText(QString::fromStdString(*c.parity));
    if (c.stopBits) stopBits_->setText(QString::fromStdString(*c.stopBits));
}

void ModeWindow::pressOk() {
    services_.globals.SaveFormat = xlsFormat_->isChecked() ? 1 : 0;
    QWidget* next = nullptr;
    if (loggerMode_->isChecked())
        next = new LoggerWindow(services_, pos());
    else
        next = new OnlineWindow(services_, pos());
    // Shown before this window goes, so the program never runs out of
    // windows in between.
    next->show();
    next->activateWindow();
    close();
}

SettingsDialog* ModeWindow::showSettings() {
    auto* dialog = new SettingsDialog(services_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this] {
        // Shown before this window goes, so the program never runs out of
        // windows in between.
        showNew(services_, pos());
        close();
    });
    dialog->open();
    return dialog;
}

void ModeWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A key that no control took: the default button answers it.
        okButton_->click();
        return;
    case Qt::Key_F1:
        showHelp(services_);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace tz
