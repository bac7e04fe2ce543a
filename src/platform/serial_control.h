#pragma once
// The serial communications control, by the operations the transfers use.
// Text crosses this interface as UTF-8; each byte on the line is one
// Latin-1 character, converted by the backend at the port.
#include <string>

namespace tz {

class SerialControl {
  public:
    virtual ~SerialControl() = default;

    // CommPort: the port number (COMn). Checked when the port opens.
    virtual void setCommPort(int port) = 0;
    // Settings: "baud,parity,data,stop". Throws InvalidPropertyValue (380)
    // for a string the control would not accept.
    virtual void setSettings(const std::string& settings) = 0;
    virtual void setParityReplace(const std::string& text) = 0;
    virtual void setNullDiscard(bool on) = 0;
    virtual void setInBufferSize(int bytes) = 0;
    virtual int inBufferSize() const = 0;
    virtual void setInputLen(int chars) = 0;

    // PortOpen = true: throws InvalidPortNumber (8002) for a port that does
    // not exist, DeviceNotOpen (8012) for one that exists but cannot be
    // opened, InvalidPropertyValue (380) for settings the device refuses.
    // PortOpen = false never fails, also on a closed port.
    virtual void setPortOpen(bool open) = 0;
    virtual bool portOpen() const = 0;
    // PortOpen = true after a loss, on the device name the last open used:
    // a port reached through a link stays that link while the link is
    // missing (the adapter unplugged), rather than falling back to another
    // device of the same number. Throws as PortOpen = true does.
    virtual void reopen() { setPortOpen(true); }

    // Output: send text. Throws DeviceNotOpen on a closed port.
    virtual void output(const std::string& text) = 0;
    // Input: every waiting character, "" when none. Throws DeviceNotOpen on
    // a closed port.
    virtual std::string input() = 0;
    // InBufferCount: characters waiting. A closed port has nothing waiting
    // (returns 0), so a transfer stopped by the button sees silence. A port
    // that hung up (adapter pulled, peer gone) is closed by the backend at
    // once and this call then throws a Failure that says so, once.
    virtual int inBufferCount() = 0;
    // InBufferCount = 0: discard everything waiting. No-op on a closed port.
    virtual void clearInBuffer() = 0;
};

} // namespace tz
