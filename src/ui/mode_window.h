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
};

} // namespace tz
