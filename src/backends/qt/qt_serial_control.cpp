#include "backends/qt/qt_serial_control.h"

#include "app/text.h"
#include "backends/qt/port_names.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tz {

namespace {

const char* const kLostText = "The connection to the flowmeter was lost (the serial port closed).";

QSerialPort::DataBits dataBitsOf(int bits) {
    switch (bits) {
    case 5:
        return QSerialPort::Data5;
    case 6:
        return QSerialPort::Data6;
    case 7:
        return QSerialPort::Data7;
    default:
        return QSerialPort::Data8;
    }
}

QSerialPort::Parity parityOf(Parity p) {
    switch (p) {
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Mark:
        return QSerialPort::MarkParity;
    case Parity::Space:
        return QSerialPort::SpaceParity;
    case Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits stopBitsOf(StopBits s) {
    switch (s) {
    case StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case StopBits::Two:
        return QSerialPort::TwoStop;
    case StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

// Returns false when the driver refuses one of them (only possible on an
// open port; a closed one just keeps the values for the open).
bool apply(QSerialPort& port, const PortSettings& s) {
    bool ok = port.setBaudRate(s.baud);
    ok = port.setDataBits(dataBitsOf(s.dataBits)) && ok;
    ok = port.setParity(parityOf(s.parity)) && ok;
    ok = port.setStopBits(stopBitsOf(s.stopBits)) && ok;
    // No flow control, and the modem lines stay as the driver leaves them:
    // setting DTR/RTS fails on pseudo-terminals.
    ok = port.setFlowControl(QSerialPort::NoFlowControl) && ok;
    return ok;
}

} // namespace

#ifndef _WIN32
std::string missingDeviceLine(const std::string& name) {
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(name, ec))) {
        const std::string target = std::filesystem::read_symlink(name, ec).string();
        return name + " is a link to " + target +
               ", which points nowhere (adapter unplugged, simulator ended?)";
    }
    return name + ": no such device";
}

std::string openFailureLine(const std::string& name, const std::string& device,
                            QSerialPort::SerialPortError error, const std::string& why) {
    const std::string shown = name == device ? device : name + " (" + device + ")";
    // Qt reports a device locked by another program as a permission error
    // too; only a device this user may not open is a matter of groups.
    if (error == QSerialPort::PermissionError && ::access(device.c_str(), R_OK | W_OK) == 0)
        return shown + ": in use by another program";
    if (error == QSerialPort::PermissionError) {
        // The group that owns the device is the one to join: dialout on
        // Debian, uucp elsewhere.
        std::string group = "dialout";
        struct stat st {};
        if (::stat(device.c_str(), &st) == 0)
            if (const struct group* g = ::getgrgid(st.st_gid); g && g->gr_gid != 0)
                group = g->gr_name;
        return shown + ": permission denied; add the user to the group " + group +
               " (sudo usermod -aG " + group + " $USER, then log in again)";
    }
    if (error == QSerialPort::DeviceNotFoundError) return shown + ": no such device";
    return shown + ": " + why;
}
#endif

FailureCode classifyOpenError(QSerialPort::SerialPortError error,
                              const std::function<bool()>& opensWithPlainSettings) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return FailureCode::InvalidPortNumber;
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        return FailureCode::DeviceNotOpen;
    default:
        return opensWithPlainSettings && opensWithPlainSettings()
                   ? FailureCode::InvalidPropertyValue
                   : FailureCode::DeviceNotOpen;
    }
}

QtSerialControl::QtSerialControl() {
    // Taking the bytes as they come keeps QSerialPort's own buffer small and
    // lets a hang-up find everything that arrived before it in buffer_.
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { take(port_.readAll()); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError e) { onError(e); });
}

QtSerialControl::~QtSerialControl() {
    closeDevice();
}

void QtSerialControl::setSettings(const std::string& settings) {
    const PortSettings parsed = parsePortSettings(settings);
    if (port_.isOpen() && !apply(port_, parsed)) {
        const std::string why = port_.errorString().toStdString();
        port_.clearError();
        apply(port_, settings_);
        throw Failure(FailureCode::InvalidPropertyValue,
                      "Invalid property value: the port refused the settings \"" + settings +
                          "\" (" + why + ")");
    }
    settings_ = parsed;
}

void QtSerialControl::setPortOpen(bool open) {
    if (open)
        this->open();
    else
        closeDevice();
}

void QtSerialControl::open() {
    if (open_) throw Failure(FailureCode::Other, "Port already open");

    const std::string name = devicePath_.empty() ? deviceNameFor(commPort_) : devicePath_;
    const std::string label = devicePath_.empty() ? "COM" + std::to_string(commPort_) : devicePath_;
    if (name.empty())
        throw Failure(FailureCode::InvalidPortNumber, "Invalid port number: " + label);
    std::string device = name;
#ifndef _WIN32
    // Only a path that is not there is a bad port number; a folder that may
    // not be searched is left for the open to report as a device that cannot
    // open.
    std::error_code ec;
    if (std::filesystem::status(name, ec).type() == std::filesystem::file_type::not_found)
        throw Failure(FailureCode::InvalidPortNumber,
                      "Invalid port number: " + label + " (" + name + " does not exist)",
                      missingDeviceLine(name));
    // Follow the link to the device itself, so that the lock file QSerialPort
    // takes is the same whichever name a program opens the device by.
    const auto resolved = std::filesystem::canonical(name, ec);
    if (!ec) device = resolved.string();
#endif
    device_ = device;

    // QSerialPort has no 4-bit character; no driver it serves offers one.
    if (settings_.dataBits < 5)
        throw Failure(FailureCode::InvalidPropertyValue,
                      "Invalid property value: the port cannot send 4-bit characters");

    port_.setPortName(QString::fromStdString(device));
    // Set before the open: a pseudo-terminal accepts 7E1 then, but refuses it
    // on an open port.
    apply(port_, settings_);
    if (!port_.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = port_.error();
        const std::string why = port_.errorString().toStdString();
        port_.clearError();
        const FailureCode code = classifyOpenError(error, [&] {
            QSerialPort probe;
            probe.setPortName(QString::fromStdString(device));
            const bool ok = probe.open(QIODevice::ReadWrite);
            probe.close();
            return ok;
        });
        std::string text;
        switch (code) {
        case FailureCode::InvalidPortNumber:
            text = "Invalid port number: ";
            break;
        case FailureCode::InvalidPropertyValue:
            text = "Invalid property value: the port refused the settings: ";
            break;
        default:
            text = "The device is not open: ";
            break;
        }
#ifndef _WIN32
        throw Failure(code, text + label + " (" + device + "): " + why,
                      openFailureLine(name, device, error, why));
#else
        throw Failure(code, text + label + " (" + device + "): " + why);
#endif
    }
    open_ = true;
    lost_ = false;
    buffer_.clear();
}

void QtSerialControl::closeDevice() {
    if (port_.isOpen()) port_.close();
    port_.clearError();
    open_ = false;
    lost_ = false;
    buffer_.clear();
}

void QtSerialControl::take(const QByteArray& bytes) {
    if (nullDiscard_) {
        std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(buffer_),
                     [](char c) { return c != '\0'; });
    } else {
        buffer_.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
}

void QtSerialControl::onError(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError &&
        error != QSerialPort::WriteError)
        return;
    if (!port_.isOpen()) return;
    // A hung-up port stays "open" in QSerialPort and raises the same error on
    // every pass of the event loop, spinning it; close it now and keep what
    // had arrived for the logic to read before it learns of the loss.
    take(port_.readAll());
    port_.close();
    lost_ = true;
}

#ifndef _WIN32
bool QtSerialControl::systemHasInput() {
    // A zero wait that finds nothing costs a timeout error with its text;
    // a bare poll first makes the idle count cheap. A hang-up shows as
    // POLLHUP/POLLERR and goes on to the read that reports it.
    pollfd p{static_cast<int>(port_.handle()), POLLIN, 0};
    return ::poll(&p, 1, 0) != 0;
}
#endif

void QtSerialControl::pull() {
    // Bytes reach QSerialPort only when the event loop or a wait runs.
#ifdef _WIN32
    // On Windows the port's I/O thread posts each completed read to the
    // port's notifier (a child of the port); delivering just those events
    // takes what arrived during a sleep, and runs nothing else of the
    // program. A zero wait must not be used: Qt 6.4's notifier loses count
    // when the event loop has taken a batch of results, and the next wait
    // dequeues from an empty queue and crashes.
    // A hang-up found on the way closes the port, which deletes the notifier.
    std::vector<QPointer<QObject>> children;
    for (QObject* child : port_.children())
        children.emplace_back(child);
    for (const QPointer<QObject>& child : children)
        if (child && port_.isOpen()) QCoreApplication::sendPostedEvents(child, QEvent::MetaCall);
#else
    // A zero wait reads what the system already holds, so a count taken
    // right after a sleep sees the bytes that came during it. Each pass
    // reads one chunk; the cap only bounds a flood.
    for (int pass = 0; pass < 64 && port_.isOpen() && systemHasInput() && port_.waitForReadyRead(0);
         ++pass) {
    }
#endif
    if (!port_.isOpen()) return;
    if (port_.bytesAvailable() > 0) take(port_.readAll());
    if (port_.error() != QSerialPort::NoError) port_.clearError(); // a zero wait's timeout
}

void QtSerialControl::reportLoss() {
    open_ = false;
    lost_ = false;
    buffer_.clear();
    throw Failure(FailureCode::Other, kLostText);
}

int QtSerialControl::inBufferCount() {
    if (!open_) return 0;
    pull();
    if (buffer_.empty() && lost_) reportLoss();
    return static_cast<int>(std::min<std::size_t>(buffer_.size(), INT_MAX));
}

std::string QtSerialControl::input() {
    if (!open_) throw Failure(FailureCode::DeviceNotOpen, "The port is not open");
    pull();
    if (buffer_.empty() && lost_) reportLoss();
    std::string bytes;
    if (inputLen_ > 0 && buffer_.size() > static_cast<std::size_t>(inputLen_)) {
        bytes = buffer_.substr(0, static_cast<std::size_t>(inputLen_));
        buffer_.erase(0, static_cast<std::size_t>(inputLen_));
    } else {
        bytes.swap(buffer_);
    }
    return text::fromLatin1(bytes);
}

void QtSerialControl::output(const std::string& text) {
    if (!open_) throw Failure(FailureCode::DeviceNotOpen, "The port is not open");
    if (lost_) reportLoss();
    const std::string bytes = text::toLatin1(text);
    const qint64 written = port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    // Hand the bytes to the driver now; otherwise they would wait for the
    // next pass of the event loop, after the logic's first sleep.
    if (written >= 0) port_.flush();
    if (lost_) reportLoss();
    if (written != static_cast<qint64>(bytes.size())) {
        const std::string why = port_.errorString().toStdString();
        port_.clearError();
        throw Failure(FailureCode::Other, "The serial port refused the data: " + why);
    }
}

void QtSerialControl::clearInBuffer() {
    if (!open_) return;
    pull();
    buffer_.clear();
}

} // namespace tz
