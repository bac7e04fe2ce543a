#include "backends/qt/serial_ports.h"

#include "backends/qt/port_names.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#ifdef __linux__
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

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

std::vector<SerialPortEntry> freePseudoTerminals(const std::filesystem::path& ptsFolder,
                                                 const std::filesystem::path& procFolder) {
    std::vector<SerialPortEntry> found;
#ifdef __linux__
    // Terminals of sessions: field 7 of /proc/<pid>/stat, after the
    // command name in parentheses (which may hold blanks).
    std::set<unsigned long long> inUse;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(procFolder, ec)) {
        std::ifstream in(entry.path() / "stat");
        std::string line;
        if (!std::getline(in, line)) continue;
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 1));
        std::string state;
        long long ppid = 0, pgrp = 0, session = 0, ttyNr = 0;
        if (rest >> state >> ppid >> pgrp >> session >> ttyNr && ttyNr != 0) {
            const auto nr = static_cast<unsigned long long>(ttyNr);
            const unsigned maj = static_cast<unsigned>((nr >> 8) & 0xfff);
            const unsigned min = static_cast<unsigned>((nr & 0xff) | ((nr >> 12) & 0xfff00));
            inUse.insert(makedev(maj, min));
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(ptsFolder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        struct stat st {};
        if (::stat(entry.path().c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue;
        if (inUse.count(st.st_rdev)) continue;
        SerialPortEntry e;
        e.name = QStringLiteral("pts/") + QString::fromStdString(name);
        e.device = QString::fromStdString(entry.path().string());
        e.description = QStringLiteral("pseudo-terminal");
        e.pseudoTerminal = true;
        found.push_back(std::move(e));
    }
    std::sort(found.begin(), found.end(), [](const SerialPortEntry& a, const SerialPortEntry& b) {
        return a.name.mid(4).toInt() < b.name.mid(4).toInt();
    });
#else
    (void)ptsFolder, (void)procFolder;
#endif
    return found;
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
