#include "backends/qt/serial_ports.h"

#include "backends/qt/port_names.h"

#include <QSerialPortInfo>

#include <system_error>

namespace tz {

namespace {

std::filesystem::path finalTarget(const std::filesystem::path& path) {
    std::error_code ec;
    auto target = std::filesystem::canonical(path, ec);
    return ec ? std::filesystem::path() : target;
}

} // namespace

std::vector<SerialPortEntry> systemSerialPorts(const std::filesystem::path& byIdFolder) {
    // by-id links point at ../../ttyUSB0; match them by their final target.
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> byId;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(byIdFolder, ec))
        if (auto target = finalTarget(entry.path()); !target.empty())
            byId.emplace_back(target, entry.path());

    std::vector<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry e;
        e.name = info.portName();
        e.device = info.systemLocation();
        e.description = info.description();
        e.manufacturer = info.manufacturer();
        e.serialNumber = info.serialNumber();
        const auto node = finalTarget(e.device.toStdString());
        for (const auto& [target, name] : byId)
            if (!node.empty() && target == node)
                e.stableDevice = QString::fromStdString(name.string());
        ports.push_back(std::move(e));
    }
    return ports;
}

QString describePort(int port, const std::vector<SerialPortEntry>& known,
                     const std::filesystem::path& linkFolder) {
#ifdef _WIN32
    (void)linkFolder;
    for (const SerialPortEntry& e : known)
        if (e.name == QStringLiteral("COM%1").arg(port))
            return e.description.isEmpty() ? e.name : e.description;
    return QStringLiteral("not connected");
#else
    const std::filesystem::path name = linuxDeviceFor(port, linkFolder);
    const std::filesystem::path node = finalTarget(name);
    if (node.empty()) return QStringLiteral("not connected");
    // The entry the link was made from, else any entry for the same node.
    std::error_code ec;
    const QString linked = QString::fromStdString(std::filesystem::read_symlink(name, ec).string());
    const SerialPortEntry* match = nullptr;
    for (const SerialPortEntry& e : known) {
        if (!ec && e.linkTarget() == linked) {
            match = &e;
            break;
        }
        if (!match && finalTarget(e.device.toStdString()) == node) match = &e;
    }
    QString text = QString::fromStdString(node.string());
    if (match) {
        const QString what =
            !match->description.isEmpty() ? match->description : match->manufacturer;
        QStringList details;
        if (!what.isEmpty()) details << what;
        if (!match->serialNumber.isEmpty()) details << "serial " + match->serialNumber;
        if (!details.isEmpty()) text += QString::fromUtf8(" \u2014 ") + details.join(", ");
    }
    return text;
#endif
}

} // namespace tz
