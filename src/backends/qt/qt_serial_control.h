#pragma once
// The serial control over QSerialPort. Bytes on the line are Latin-1
// characters; the logic sees UTF-8.
#include "backends/qt/port_settings.h"
#include "platform/failure.h"
#include "platform/serial_control.h"

#include <QSerialPort>

#include <functional>
#include <string>

namespace tz {

// The failure kind of an open that QSerialPort refused. Missing devices are
// bad port numbers and busy or forbidden ones cannot open. Any other
// refusal is ambiguous: a file that is no terminal and a terminal that
// rejects the line settings both come back as an unsupported operation, so
// `opensWithPlainSettings` is asked (only then) whether the device opens
// with 9600,N,8,1; if it does, the settings were at fault.
FailureCode classifyOpenError(QSerialPort::SerialPortError error,
                              const std::function<bool()>& opensWithPlainSettings);

#ifndef _WIN32
// The line under "232Port No. is bad" for a port name that leads nowhere:
// the name, and a link's target that does not exist.
std::string missingDeviceLine(const std::string& name);
// The line under "232Port cannot open": the name (and the device a link
// leads to) and the reason, with what to do about a refused permission.
std::string openFailureLine(const std::string& name, const std::string& device,
                            QSerialPort::SerialPortError error, const std::string& why);
#endif

class QtSerialControl : public SerialControl {
  public:
    QtSerialControl();
    ~QtSerialControl() override;
    QtSerialControl(const QtSerialControl&) = delete;
    QtSerialControl& operator=(const QtSerialControl&) = delete;

    void setCommPort(int port) override { commPort_ = port; }
    // A device named by its path (/dev/ttyUSB0, a /dev/serial/by-id/ link)
    // opens instead of the port number's device; empty: the port number.
    void setDevicePath(const std::string& path) { devicePath_ = path; }
    void setSettings(const std::string& settings) override;
    // Qt offers no parity replacement; the transfers only ever ask for none.
    void setParityReplace(const std::string&) override {}
    void setNullDiscard(bool on) override { nullDiscard_ = on; }
    void setInBufferSize(int bytes) override { inBufferSize_ = bytes; }
    int inBufferSize() const override { return inBufferSize_; }
    void setInputLen(int chars) override { inputLen_ = chars < 0 ? 0 : chars; }

    void setPortOpen(bool open) override;
    bool portOpen() const override { return open_; }

    void output(const std::string& text) override;
    std::string input() override;
    int inBufferCount() override;
    void clearInBuffer() override;

    // The device last opened (after following the port's link).
    const std::string& deviceName() const { return device_; }
    // Whether the device itself is open. After a hang-up it is closed at
    // once, while portOpen() stays true until the loss has been reported.
    bool deviceOpen() const { return port_.isOpen(); }

  private:
    void open();
    void closeDevice();
#ifndef _WIN32
    bool systemHasInput();
#endif
    void pull();
    void take(const QByteArray& bytes);
    void onError(QSerialPort::SerialPortError error);
    [[noreturn]] void reportLoss();

    QSerialPort port_;
    int commPort_ = 1;
    std::string devicePath_;
    PortSettings settings_;
    bool nullDiscard_ = false;
    int inBufferSize_ = 1024;
    int inputLen_ = 0;

    bool open_ = false;
    bool lost_ = false;  // the line hung up; reported once the earlier bytes are read
    std::string buffer_; // received bytes, one Latin-1 character each
    std::string device_;
};

} // namespace tz
