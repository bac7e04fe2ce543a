#include "ui/broker_dialog.h"

#include "publish/broker_sink.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include <cstdlib>

namespace tz {

namespace {
constexpr const char* kGroup = "Broker";
} // namespace

BrokerChoice loadBrokerChoice() {
    QSettings s;
    s.beginGroup(kGroup);
    BrokerChoice c;
    c.publish = s.value("publish", false).toBool();
    c.url = s.value("url").toString().toStdString();
    c.password = s.value("password").toString().toStdString();
    return c;
}

void saveBrokerChoice(const BrokerChoice& choice) {
    QSettings s;
    s.beginGroup(kGroup);
    s.setValue("publish", choice.publish);
    s.setValue("url", QString::fromStdString(choice.url));
    if (choice.password.empty())
        s.remove("password");
    else
        s.setValue("password", QString::fromStdString(choice.password));
    s.endGroup();
    s.sync();
    // The file holds a password: for its owner's eyes only.
    if (s.format() == QSettings::NativeFormat && QFile::exists(s.fileName()))
        QFile::setPermissions(s.fileName(), QFile::ReadOwner | QFile::WriteOwner);
}

std::string passwordOf(const BrokerChoice& choice) {
    if (!choice.password.empty()) return choice.password;
    const char* env = std::getenv("TZ_MQTT_PASSWORD");
    return env ? env : "";
}

BrokerDialog::BrokerDialog(const BrokerChoice& choice, QWidget* parent) : QDialog(parent) {
    setObjectName("BrokerDialog");
    setWindowTitle("Broker");
    publish_ = new QCheckBox("Also publish every row to an MQTT broker", this);
    publish_->setObjectName("BrokerPublish");
    publish_->setChecked(choice.publish);
    url_ = new QLineEdit(QString::fromStdString(choice.url), this);
    url_->setObjectName("BrokerUrl");
    url_->setPlaceholderText("mqtt://[user@]host[:port]/topic");
    url_->setMinimumWidth(360);
    password_ = new QLineEdit(QString::fromStdString(choice.password), this);
    password_->setObjectName("BrokerPassword");
    password_->setEchoMode(QLineEdit::Password);
    password_->setPlaceholderText("none, or TZ_MQTT_PASSWORD");
    verdict_ = new QLabel(this);
    verdict_->setObjectName("BrokerVerdict");
    verdict_->setWordWrap(true);
    auto* about = new QLabel(
        "Each row goes to the topic as JSON (seq, time, port, parameter, value, unit, text), "
        "retained, QoS 1; topic/status says online or offline. The CSV document is written as "
        "before; while the broker is away, up to 100,000 rows wait and follow in order.",
        this);
    about->setWordWrap(true);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* form = new QFormLayout;
    form->addRow("Address:", url_);
    form->addRow("Password:", password_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(publish_);
    layout->addLayout(form);
    layout->addWidget(verdict_);
    layout->addWidget(about);
    layout->addWidget(buttons_);

    connect(publish_, &QCheckBox::toggled, this, &BrokerDialog::check);
    connect(url_, &QLineEdit::textChanged, this, &BrokerDialog::check);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    check();
}

BrokerChoice BrokerDialog::choice() const {
    BrokerChoice c;
    c.publish = publish_->isChecked();
    c.url = url_->text().trimmed().toStdString();
    c.password = password_->text().toStdString();
    return c;
}

void BrokerDialog::check() {
    const bool on = publish_->isChecked();
    url_->setEnabled(on);
    password_->setEnabled(on);
    const std::string url = url_->text().trimmed().toStdString();
    std::string why;
    const std::optional<BrokerAddress> parsed = parseBrokerUrl(url, why);
    // A wrong address is refused here rather than at the next start.
    const bool ok = !on || parsed.has_value();
    verdict_->setText(!on      ? QString()
                      : parsed ? QString::fromStdString("Rows go to " + brokerLocation(*parsed))
                               : QString::fromStdString(why));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(ok);
}

} // namespace tz
