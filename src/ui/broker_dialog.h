#pragma once
// "Broker...": whether the on-line window also publishes its rows to an
// MQTT broker, and where. Kept in the user's own settings (not in the
// program's settings files), so every on-line window of this user starts
// with it.
#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QDialogButtonBox;

namespace tz {

struct BrokerChoice {
    bool publish = false;
    std::string url;      // mqtt://[USER@]HOST[:PORT]/TOPIC
    std::string password; // "" : the environment's TZ_MQTT_PASSWORD, if any
};

BrokerChoice loadBrokerChoice();
void saveBrokerChoice(const BrokerChoice& choice);
// The password a run uses: the one kept in the settings, else the
// environment's.
std::string passwordOf(const BrokerChoice& choice);

class BrokerDialog : public QDialog {
    Q_OBJECT
  public:
    BrokerDialog(const BrokerChoice& choice, QWidget* parent);
    BrokerChoice choice() const;

  private:
    void check();

    QCheckBox* publish_;
    QLineEdit* url_;
    QLineEdit* password_;
    QLabel* verdict_;
    QDialogButtonBox* buttons_;
};

} // namespace tz
