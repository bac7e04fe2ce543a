#include "ui/run_options.h"

#include <QCheckBox>
#include <QSettings>

namespace tz {

namespace {

// The user's settings of this program (the registry on Windows, a file in
// the user's configuration folder elsewhere), whatever the application
// object is called.
QSettings userSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "TIDEWELL-Z team",
                     "TIDEWELL-Z");
}

constexpr const char* kKeepPollingKey = "online/keepPollingThroughFaults";
constexpr const char* kIsoTimeKey = "online/isoTime";

QCheckBox* remembered(QWidget* parent, const char* name, const QString& text, const char* key) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    // Out of the keyboard order of the classic controls.
    box->setFocusPolicy(Qt::NoFocus);
    box->setChecked(userSettings().value(key, false).toBool());
    QObject::connect(box, &QCheckBox::toggled, box,
                     [key](bool on) { userSettings().setValue(key, on); });
    return box;
}

} // namespace

RunOptions::RunOptions(QWidget* parent) : QWidget(parent) {
    setObjectName("RunOptions");
    keepPolling_ = remembered(this, "KeepPolling", "Keep polling through faults", kKeepPollingKey);
    keepPolling_->setToolTip("A lost port or a silent flowmeter writes a row with #N/A and "
                             "polling goes on; the port is tried again every 5 s");
    isoTime_ = remembered(this, "IsoTime", "Dated times (ISO 8601)", kIsoTimeKey);
    isoTime_->setToolTip("The TIME column as 2026-12-08T14:03:07+01:00: date, time and offset "
                         "from UTC, unambiguous across midnight and clock changes");
}

bool RunOptions::keepPolling() const {
    return keepPolling_->isChecked();
}

bool RunOptions::isoTime() const {
    return isoTime_->isChecked();
}

void RunOptions::setLocked(bool locked) {
    keepPolling_->setEnabled(!locked);
    isoTime_->setEnabled(!locked);
}

void RunOptions::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = width() / 2;
    keepPolling_->setGeometry(0, 0, half, height());
    isoTime_->setGeometry(half, 0, width() - half, height());
}

} // namespace tz
