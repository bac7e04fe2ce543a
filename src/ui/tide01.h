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

#include <array>
#include <optional>

namespace tz {

class Tide01 : public QWidget {
    Q_OBJECT
  public:
    // A new window, deleted when it closes. `at` places it; without it the
    // window is centred on the screen.
    Tide01(UiServices& services, std::optional<QPoint> at = std::nullopt);

    // Create, load and show a fresh window without blocking.
    static Tide01* showNew(UiServices& services, std::optional<QPoint> at = std::nullopt);

    // "OK": the output format, the chosen transfer window, then away.
    void pressOk();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void build();
    void load();

    UiServices& services_;
    QGroupBox* frame4_ = nullptr;
    std::array<QGroupBox*, 3> frame1_{}; // indexes 1 and 2
    std::array<QRadioButton*, 4> option1_{};
    QLabel* baud_ = nullptr;     // Label7
    QLabel* dataBits_ = nullptr; // Label8
    QLabel* stopBits_ = nullptr; // Label9
    QLabel* parity_ = nullptr;   // Label10
    QPushButton* ok_ = nullptr;  // SSCommand1
};

} // namespace tz
