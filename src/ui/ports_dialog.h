#pragma once
// The port list of the transfer windows with what each COMn reaches, and
// the "Ports..." dialog that assigns a serial port of this machine to a
// COMn by the link that the port names follow.
#include "backends/qt/serial_ports.h"

#include <QComboBox>
#include <QDialog>

#include <filesystem>
#include <functional>
#include <vector>

class QLabel;
class QTableWidget;

namespace tz {

using PortLister = std::function<std::vector<SerialPortEntry>()>;

// Combo2: its items stay "COM1" to "COM9" (the settings file keeps the
// position); the drop-down list, wider than the box, shows beside each what
// it reaches on this machine, as read when the list opens.
class PortComboBox : public QComboBox {
    Q_OBJECT
  public:
    PortComboBox(PortLister lister, QWidget* parent);
    // Reads the links and the ports again into the items' descriptions.
    void refreshDescriptions();
    void showPopup() override;

  private:
    PortLister lister_;
};

// Lists the serial ports the lister finds (name, description, manufacturer,
// serial number, stable name) and links the chosen one to COMn.
class PortsDialog : public QDialog {
    Q_OBJECT
  public:
    PortsDialog(PortLister lister, std::filesystem::path linkFolder, int port, QWidget* parent);

    // The actions of the buttons, callable by tests.
    void reload();
    bool assignSelected();
    bool removeLink();

    // The port entry shown in table row `row`, null for a heading.
    const SerialPortEntry* entryAt(int row) const;
    // Selects the row of the entry whose device is `device`.
    bool selectDevice(const QString& device);

  private:
    int chosenPort() const;
    void showMapping();
    void addHeading(const QString& text);
    // A COMn that already leads somewhere else is replaced only when the
    // operator says so.
    bool mayReplaceLink(const QString& target);

    PortLister lister_;
    std::filesystem::path linkFolder_;
    std::vector<SerialPortEntry> ports_;
    std::vector<int> rowEntry_; // index into ports_ per table row, -1 for a heading
    QTableWidget* table_ = nullptr;
    QComboBox* comPort_ = nullptr;
    QLabel* mapping_ = nullptr;
    QLabel* status_ = nullptr;
};

} // namespace tz
