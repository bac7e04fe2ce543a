// "Broker...": a wrong address cannot be taken, and what is taken comes
// back from the user's settings for the next window.
#include "ui/broker_dialog.h"

#include "sim_process.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include <gtest/gtest.h>

namespace tz {
namespace {

TEST(BrokerDialog, RefusesAWrongAddressAndKeepsTheChoiceInTheUserSettings) {
    fake::Workspace ws("tz-broker-dialog");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(ws.root().string()));
    EXPECT_FALSE(loadBrokerChoice().publish);

    BrokerDialog dialog({true, "mqtts://broker/plant/m1", ""}, nullptr);
    auto* url = dialog.findChild<QLineEdit*>("BrokerUrl");
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    auto* verdict = dialog.findChild<QLabel*>("BrokerVerdict");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_TRUE(verdict->text().contains("only mqtt:// is supported"));
    url->setText("mqtt://ops@broker:1884/plant/m1");
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(verdict->text(), "Rows go to mqtt://broker:1884/plant/m1");
    dialog.findChild<QLineEdit*>("BrokerPassword")->setText("pw");
    // Off: the address no longer matters.
    dialog.findChild<QCheckBox*>("BrokerPublish")->setChecked(false);
    url->setText("nonsense");
    EXPECT_TRUE(ok->isEnabled());
    dialog.findChild<QCheckBox*>("BrokerPublish")->setChecked(true);
    url->setText("mqtt://ops@broker:1884/plant/m1");

    saveBrokerChoice(dialog.choice());
    const BrokerChoice back = loadBrokerChoice();
    EXPECT_TRUE(back.publish);
    EXPECT_EQ(back.url, "mqtt://ops@broker:1884/plant/m1");
    EXPECT_EQ(back.password, "pw");
    const QFile::Permissions p = QFile::permissions(QSettings().fileName());
    EXPECT_FALSE(p & (QFile::ReadGroup | QFile::ReadOther)) << "the password is for the user only";
}

} // namespace
} // namespace tz
