#pragma once
// The serial ports of this machine as the operator needs to tell them
// apart, and what each of COM1 to COM9 reaches.
#include <QString>

#include <filesystem>
#include <vector>

namespace tz {

struct SerialPortEntry {
    QString name;         // the platform's port name, ttyUSB0 or COM3
    QString device;       // the device node, /dev/ttyUSB0
    QString stableDevice; // its /dev/serial/by-id/ name, empty without one
    QString description;  // the adapter's product text
    QString manufacturer;
    QString serialNumber;
    bool pseudoTerminal = false; // a program's line (the simulator's), no adapter
    // The name a port link should point at: the by-id name survives
    // plugging the adapter into another USB socket, the node does not.
    QString linkTarget() const { return stableDevice.isEmpty() ? device : stableDevice; }
};

// What QSerialPortInfo finds, with the by-id name of each port where udev
// made one (`byIdFolder`, /dev/serial/by-id on Linux).
std::vector<SerialPortEntry>
systemSerialPorts(const std::filesystem::path& byIdFolder = "/dev/serial/by-id");

// The pseudo-terminals in `ptsFolder` that no session uses as its terminal
// (so not a shell's window): a program such as the simulator holds the
// other end. Qt's port list never shows them. Empty off Linux.
std::vector<SerialPortEntry>
freePseudoTerminals(const std::filesystem::path& ptsFolder = "/dev/pts",
                    const std::filesystem::path& procFolder = "/proc");

// "/dev/ttyUSB0 — FT232R USB UART, serial A50285BI" for COMn: the device
// its name opens (the link's final target) and what `known` tells about
// it, or "not connected" when that device does not exist. `linkFolder` is
// where the COMn links live.
QString describePort(int port, const std::vector<SerialPortEntry>& known,
                     const std::filesystem::path& linkFolder);

} // namespace tz
