#include "ui/settings_dialog.h"

#include "app/paths.h"
#include "app/settings_file.h"
#include "app/settings_folder.h"
#include "app/title.h"
#include "backends/qt/port_settings.h"
#include "link/failure_report.h"
#include "platform/failure.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tz {

namespace {

QComboBox* choices(QWidget* parent, const char* name, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

// Shows `field` as the current choice; a value the list lacks (a file
// edited by hand) is added, so that saving unchanged keeps it.
void choose(QComboBox* box, const QString& value) {
    int at = box->findData(value);
    if (at < 0) at = box->findText(value);
    if (at < 0 && !value.isEmpty()) {
        box->addItem(value, value);
        at = box->count() - 1;
    }
    if (at >= 0) box->setCurrentIndex(at);
}

QString field(const QComboBox* box) {
    const QVariant data = box->currentData();
    return data.isValid() ? data.toString() : box->currentText();
}

} // namespace

SettingsDialog::SettingsDialog(UiServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setObjectName("SettingsDialog");
    setWindowTitle("Settings");
    auto* layout = new QVBoxLayout(this);

    auto* line = new QGroupBox("Flowmeter line", this);
    auto* form = new QFormLayout(line);
    QStringList rates;
    for (int rate : kStandardBaudRates)
        rates << QString::number(rate);
    baud_ = choices(line, "baud", rates);
    parity_ = choices(line, "parity", {});
    for (const auto& [letter, word] :
         {std::pair{"N", "None"}, std::pair{"E", "Even"}, std::pair{"O", "Odd"},
          std::pair{"M", "Mark"}, std::pair{"S", "Space"}})
        parity_->addItem(QStringLiteral("%1 (%2)").arg(word, letter), QString(letter));
    dataBits_ = choices(line, "dataBits", {"5", "6", "7", "8"});
    stopBits_ = choices(line, "stopBits", {"1", "1.5", "2"});
    form->addRow("Baud", baud_);
    form->addRow("Parity", parity_);
    form->addRow("Data bits", dataBits_);
    form->addRow("Stop bits", stopBits_);
    layout->addWidget(line);

    auto* params =
        new QGroupBox("On-line parameters, in list order (an empty name ends the list)", this);
    auto* grid = new QGridLayout(params);
    for (int n = 1; n <= 20; ++n) {
        auto* edit = new QLineEdit(params);
        edit->setObjectName(QStringLiteral("name%1").arg(n));
        edit->setMinimumWidth(160);
        const int column = (n - 1) / 10 * 2;
        grid->addWidget(new QLabel(QString::number(n), params), (n - 1) % 10, column,
                        Qt::AlignRight);
        grid->addWidget(edit, (n - 1) % 10, column + 1);
        names_[static_cast<std::size_t>(n)] = edit;
    }
    layout->addWidget(params);

    const QString file =
        QString::fromStdString(joinProgramFolder(settingsFolder(services_.globals), "Twell.ini"));
    auto* note = new QLabel("Save writes " + QDir::toNativeSeparators(file) +
                                ". The next mode window shows the new settings; transfer "
                                "windows opened from it use them.",
                            this);
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setObjectName("save");
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (save()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    load();
}

void SettingsDialog::load() {
    const Globals& g = services_.globals;
    const QStringList fields = QString::fromStdString(g.CommSettings).split(',');
    const auto at = [&](qsizetype i) { return i < fields.size() ? fields[i] : QString(); };
    choose(baud_, at(0));
    QString parity = at(1);
    for (QChar& c : parity)
        if (c.unicode() < 0x80) c = c.toUpper();
    choose(parity_, parity);
    choose(dataBits_, at(2));
    choose(stopBits_, at(3));
    for (int n = 1; n <= 20; ++n)
        names_[static_cast<std::size_t>(n)]->setText(
            QString::fromStdString(g.ParamName[static_cast<std::size_t>(n)]));
}

std::string SettingsDialog::lineSettings() const {
    return (field(baud_) + "," + field(parity_) + "," + field(dataBits_) + "," + field(stopBits_))
        .toStdString();
}

bool SettingsDialog::save() {
    const std::string comm = lineSettings();
    std::array<std::string, 21> names{};
    for (int n = 1; n <= 20; ++n)
        names[static_cast<std::size_t>(n)] =
            names_[static_cast<std::size_t>(n)]->text().toStdString();
    try {
        // The port would refuse these settings at the start of a transfer
        // with this same message: refused here, before they are saved.
        parsePortSettings(comm);
        if (const std::string why = settingsItemRefusal(comm, names); !why.empty())
            throw Failure(FailureCode::Other, why);
        writeSettingsFile(services_.globals, comm, names);
    } catch (const std::exception& e) {
        services_.host.messageBox(reportFor(e).text, kAppTitle);
        return false;
    }
    services_.globals.CommSettings = comm;
    services_.globals.ParamName = names;
    return true;
}

} // namespace tz
