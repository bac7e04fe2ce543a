#include "ui/ports_dialog.h"

#include "backends/qt/port_names.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <stdexcept>

namespace tz {

namespace {

constexpr int kDescriptionRole = Qt::UserRole + 1;
const QString kArrow = QString::fromUtf8(" \u2192 ");

// The drop-down list shows "COM1 → what it reaches"; the box itself keeps
// the bare name.
class DescribedItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(kDescriptionRole).toString();
        if (!description.isEmpty()) option->text += kArrow + description;
    }
};

std::vector<SerialPortEntry> listed(const PortLister& lister) {
    return lister ? lister() : std::vector<SerialPortEntry>{};
}

} // namespace

PortComboBox::PortComboBox(PortLister lister, QWidget* parent)
    : QComboBox(parent), lister_(std::move(lister)) {
    setItemDelegate(new DescribedItemDelegate(this));
}

void PortComboBox::refreshDescriptions() {
    const auto known = listed(lister_);
    const auto folder = portLinkFolder();
    int widest = width();
    const QFontMetrics metrics(view()->font());
    for (int i = 0; i < count(); ++i) {
        const QString description = describePort(i + 1, known, folder);
        setItemData(i, description, kDescriptionRole);
        setItemData(i, itemText(i) + kArrow + description, Qt::ToolTipRole);
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i) + kArrow + description) +
                                      4 * metrics.averageCharWidth());
    }
    view()->setMinimumWidth(widest);
}

void PortComboBox::showPopup() {
    refreshDescriptions();
    QComboBox::showPopup();
}

PortsDialog::PortsDialog(PortLister lister, std::filesystem::path linkFolder, int port,
                         QWidget* parent)
    : QDialog(parent), lister_(std::move(lister)), linkFolder_(std::move(linkFolder)) {
    setObjectName("PortsDialog");
    setWindowTitle("Serial ports");
    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(
        "Serial ports found on this machine. Choose one and the name COM1 to COM9 it is to "
        "answer to; the link is kept in " +
            QString::fromStdString(linkFolder_.string()) + ".",
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    table_ = new QTableWidget(0, 5, this);
    table_->setObjectName("ports");
    table_->setHorizontalHeaderLabels(
        {"Port", "Description", "Manufacturer", "Serial number", "Stable name"});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setMinimumSize(640, 160);
    layout->addWidget(table_);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Answer as", this));
    comPort_ = new QComboBox(this);
    comPort_->setObjectName("comPort");
    for (int n = 1; n <= 9; ++n)
        comPort_->addItem(QStringLiteral("COM%1").arg(n));
    comPort_->setCurrentIndex(port >= 1 && port <= 9 ? port - 1 : 0);
    row->addWidget(comPort_);
    mapping_ = new QLabel(this);
    mapping_->setObjectName("mapping");
    mapping_->setTextFormat(Qt::PlainText);
    row->addWidget(mapping_, 1);
    layout->addLayout(row);

    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    layout->addWidget(status_);

    auto* buttons = new QDialogButtonBox(this);
    auto* assign = buttons->addButton("Assign", QDialogButtonBox::ActionRole);
    assign->setObjectName("assign");
    auto* remove = buttons->addButton("Remove link", QDialogButtonBox::ActionRole);
    remove->setObjectName("removeLink");
    auto* refresh = buttons->addButton("Refresh", QDialogButtonBox::ActionRole);
    refresh->setObjectName("refresh");
    buttons->addButton(QDialogButtonBox::Close);
    // No default button: Enter must not re-point a working COMn.
    for (QAbstractButton* b : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(b)) {
            push->setAutoDefault(false);
            push->setDefault(false);
        }
    layout->addWidget(buttons);

    connect(assign, &QPushButton::clicked, this, [this] { assignSelected(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeLink(); });
    connect(refresh, &QPushButton::clicked, this, &PortsDialog::reload);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(comPort_, &QComboBox::currentIndexChanged, this, &PortsDialog::showMapping);
    reload();
}

int PortsDialog::chosenPort() const {
    return comPort_->currentIndex() + 1;
}

void PortsDialog::addHeading(const QString& text) {
    const int r = table_->rowCount();
    table_->insertRow(r);
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled); // never selected
    QFont bold = item->font();
    bold.setBold(true);
    item->setFont(bold);
    table_->setItem(r, 0, item);
    table_->setSpan(r, 0, 1, 5);
    rowEntry_.push_back(-1);
}

const SerialPortEntry* PortsDialog::entryAt(int row) const {
    if (row < 0 || row >= static_cast<int>(rowEntry_.size())) return nullptr;
    const int at = rowEntry_[static_cast<std::size_t>(row)];
    return at < 0 ? nullptr : &ports_[static_cast<std::size_t>(at)];
}

bool PortsDialog::selectDevice(const QString& device) {
    for (int r = 0; r < table_->rowCount(); ++r)
        if (const SerialPortEntry* e = entryAt(r); e && e->device == device) {
            table_->selectRow(r);
            return true;
        }
    return false;
}

void PortsDialog::reload() {
    ports_ = listed(lister_);
    table_->clearSpans();
    table_->setRowCount(0);
    rowEntry_.clear();
    // Adapters first, then the lines of programs (the simulator), each
    // under its own heading.
    for (const bool pty : {false, true}) {
        bool headed = false;
        for (int i = 0; i < static_cast<int>(ports_.size()); ++i) {
            const SerialPortEntry& e = ports_[static_cast<std::size_t>(i)];
            if (e.pseudoTerminal != pty) continue;
            if (!headed) addHeading(pty ? "Pseudo-terminals" : "Serial ports");
            headed = true;
            const int r = table_->rowCount();
            table_->insertRow(r);
            const QString cells[] = {e.device, e.description, e.manufacturer, e.serialNumber,
                                     e.stableDevice};
            for (int c = 0; c < 5; ++c)
                table_->setItem(r, c, new QTableWidgetItem(cells[c]));
            rowEntry_.push_back(i);
        }
    }
    table_->resizeColumnsToContents();
    // Nothing is chosen for the operator: a port is assigned only when one
    // has been picked.
    table_->clearSelection();
    table_->setCurrentCell(-1, -1);
    status_->setText(ports_.empty() ? "No serial port found. Plug in the adapter and press "
                                      "\"Refresh\"; a port that is missing here can still be "
                                      "linked by hand (see the manual)."
                                    : QString());
    showMapping();
}

void PortsDialog::showMapping() {
    mapping_->setText(kArrow.trimmed() + " " + describePort(chosenPort(), ports_, linkFolder_));
}

bool PortsDialog::mayReplaceLink(const QString& target) {
    std::error_code ec;
    const std::filesystem::path link = linkFolder_ / ("COM" + std::to_string(chosenPort()));
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(link, ec))) return true;
    const QString now = QString::fromStdString(std::filesystem::read_symlink(link, ec).string());
    if (!ec && now == target) return true;
    QMessageBox ask(QMessageBox::Question, "Serial ports",
                    QStringLiteral("COM%1 now opens %2.\nReplace it with %3?")
                        .arg(chosenPort())
                        .arg(now, target),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setObjectName("replaceLink");
    ask.setDefaultButton(QMessageBox::No);
    return ask.exec() == QMessageBox::Yes;
}

bool PortsDialog::assignSelected() {
    const auto selected = table_->selectionModel()->selectedRows();
    const SerialPortEntry* chosen = selected.isEmpty() ? nullptr : entryAt(selected[0].row());
    if (!chosen) {
        status_->setText("Choose a port in the list first.");
        return false;
    }
    const SerialPortEntry& e = *chosen;
    if (!mayReplaceLink(e.linkTarget())) {
        status_->setText(QStringLiteral("COM%1 left as it was.").arg(chosenPort()));
        return false;
    }
    try {
        assignPortLink(chosenPort(), e.linkTarget().toStdString(), linkFolder_);
    } catch (const std::exception& ex) {
        status_->setText(QString::fromStdString(ex.what()));
        return false;
    }
    status_->setText(QStringLiteral("COM%1 now opens %2.").arg(chosenPort()).arg(e.linkTarget()));
    showMapping();
    return true;
}

bool PortsDialog::removeLink() {
    try {
        removePortLink(chosenPort(), linkFolder_);
    } catch (const std::exception& ex) {
        status_->setText(QString::fromStdString(ex.what()));
        return false;
    }
    status_->setText(
        QStringLiteral("COM%1 opens /dev/ttyS%2 again.").arg(chosenPort()).arg(chosenPort() - 1));
    showMapping();
    return true;
}

} // namespace tz
