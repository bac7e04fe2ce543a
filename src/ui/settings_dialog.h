#pragma once
// "Settings...": the line settings and the parameter names of Twell.ini,
// edited in a dialog instead of by hand. Saved atomically in the file's own
// layout; the mode window that follows shows them, and the transfer
// windows opened from it use them.
#include "ui/services.h"

#include <QDialog>

#include <array>
#include <string>

class QComboBox;
class QLineEdit;

namespace tz {

class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    SettingsDialog(UiServices& services, QWidget* parent);

    // The line settings string the choices make ("9600,N,8,1").
    std::string lineSettings() const;
    // Check, write Twell.ini and take the values over into the globals;
    // false (with its message shown) when anything is refused or the file
    // cannot be written, and then nothing changes.
    bool save();

  private:
    void load();

    UiServices& services_;
    QComboBox* baud_ = nullptr;
    QComboBox* parity_ = nullptr;
    QComboBox* dataBits_ = nullptr;
    QComboBox* stopBits_ = nullptr;
    std::array<QLineEdit*, 21> names_{}; // indexes 1..20
};

} // namespace tz
