#pragma once
// The mode selection window: shows the line settings, and on "OK" opens the
// on-line or the logger data window in the chosen output format.
#include "ui/services.h"

#include <QGroupBox>
#include <QLabel>
#include <QPoint>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <optional>

namespace tz {

class SettingsDialog;

class ModeWindow : public QWidget {
    Q_OBJECT
  public:
    // A new window, deleted when it closes. `at` places it; without it the
    // window is centred on the screen.
    ModeWindow(UiServices& services, std::optional<QPoint> at = std::nullopt);

    // Create, load and show a fresh window without blocking.
    static ModeWindow* showNew(UiServices& services, std::optional<QPoint> at = std::nullopt);

    // "OK": the output format, the chosen transfer window, then away.
    void pressOk();
    // "Settings...": the dialog over this window; once saved, a fresh mode
    // window shows the new settings in place of this one.
    SettingsDialog* showSettings();

    // Pixels below the layout's area for the "Settings..." button.
    static constexpr int kSettingsStripHeight = 34;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void build();
    void load();

    UiServices& services_;
    QGroupBox* panel_ = nullptr;
    QGroupBox* modeGroup_ = nullptr;
    QGroupBox* formatGroup_ = nullptr;
    QRadioButton* loggerMode_ = nullptr;
    QRadioButton* onlineMode_ = nullptr;
    QRadioButton* csvFormat_ = nullptr;
    QRadioButton* xlsFormat_ = nullptr;
    QLabel* baud_ = nullptr;
    QLabel* dataBits_ = nullptr;
    QLabel* stopBits_ = nullptr;
    QLabel* parity_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* settingsButton_ = nullptr; // below the layout's area
};

} // namespace tz
