#pragma once
// The flowmeter's serial link: opening the port for a transfer, command
// framing, the on-line command/reply exchange and closing.
#include "app/wait.h"
#include "platform/host.h"
#include "platform/serial_control.h"
#include "platform/stop_flag.h"

#include <cstddef>
#include <string>

namespace tz {

enum class WindowKind { Online, Logger };

// What both windows say when the instrument gives no answer at all.
inline constexpr const char* kPortIsBad = "232Port is bad";

// The opening steps on port number `portNo` (COM1 is 1; 0 when none is
// chosen, which the control refuses) with the line settings "9600,N,8,1".
// Failures propagate as the serial control raises them.
void openPort(SerialControl& port, int portNo, const std::string& settings, WindowKind kind);

// A command on the line: its text followed by one CR.
std::string frameCommand(const std::string& text);
void sendCommand(SerialControl& port, const std::string& text);

struct ExchangeResult {
    std::string reply; // as received, CR included, bounded by appendBounded; "" when nothing came
};

// Where a reply ends: an on-line reply at its CR, a logger's answer to a
// query when the line falls silent (it is judged by its beginning only).
enum class ReplyEnd { AtCr, AtSilence };

// How much of a reply is kept: its beginning and its last character, which
// is all the rules ever look at, so a reply that never ends cannot grow
// without bound.
inline constexpr std::size_t kReplyKeep = 4096;
// Append a piece of a reply (UTF-8), keeping at most kReplyKeep bytes: the
// reply's first whole characters and its last character.
void appendBounded(std::string& reply, const std::string& piece);

// One command/reply exchange: send, then read until the reply's last
// character is CR (AtCr) or the line has been silent for eleven 100 ms
// waits. Throws TransferStopped when "Stop Xfer" is heard in a wait.
ExchangeResult exchange(SerialControl& port, Host& host, const StopFlag& stop,
                        const std::string& command, ReplyEnd end = ReplyEnd::AtCr);

// PortOpen = false.
void closePort(SerialControl& port) noexcept;
// The failure paths' close: PortOpen = false only when the port is open.
void closePortIfOpen(SerialControl& port) noexcept;

} // namespace tz
