#include "link/serial_link.h"

namespace tz {

namespace {

constexpr int kInBufferSize = 8192;
constexpr int kReplyWaitMs = 100;
// The twelfth empty check in a row gives up: eleven waits of silence.
constexpr int kMaxIdleWaits = 10;

bool endsInCr(const std::string& reply) {
    return !reply.empty() && reply.back() == '\r';
}

bool continuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

void appendBounded(std::string& reply, const std::string& piece) {
    reply += piece;
    if (reply.size() <= kReplyKeep) return;
    std::size_t last = reply.size() - 1;
    while (last > 0 && continuationByte(reply[last]))
        --last;
    std::size_t cut = kReplyKeep - (reply.size() - last);
    while (cut > 0 && continuationByte(reply[cut]))
        --cut;
    reply.erase(cut, last - cut);
}

void openPort(SerialControl& port, int portNo, const std::string& settings, WindowKind kind) {
    port.setCommPort(portNo);
    port.setSettings(settings);
    port.setParityReplace("");
    if (kind == WindowKind::Logger) port.setNullDiscard(true);
    port.setInBufferSize(kInBufferSize);
    // Read length 0: every read takes all that is waiting. The on-line
    // window sets it before the port opens, the logger window after; the
    // operator sees no difference, and the tests hold each window to its
    // own order.
    if (kind == WindowKind::Online) {
        port.setInputLen(0);
        port.setPortOpen(true);
    } else {
        port.setPortOpen(true);
        port.setInputLen(0);
    }
}

std::string frameCommand(const std::string& text) {
    return text + "\r";
}

void sendCommand(SerialControl& port, const std::string& text) {
    port.output(frameCommand(text));
}

ExchangeResult exchange(SerialControl& port, Host& host, const StopFlag& stop,
                        const std::string& command, ReplyEnd end) {
    // The on-line form sets the read length at every exchange; the logger
    // set it once at the opening.
    if (end == ReplyEnd::AtCr) port.setInputLen(0);
    sendCommand(port, command);
    ExchangeResult result;
    Wait wait(host, stop, kReplyWaitMs, kMaxIdleWaits);
    wait.sleep();
    wait.letEventsRun();
    for (;;) {
        // A count that promises characters which Input then does not give
        // is treated as silence, so the loop cannot spin without waiting.
        std::string chunk;
        if (port.inBufferCount() >= 1) chunk = port.input();
        if (chunk.empty()) {
            // "Stop Xfer" closes the port, which then reports nothing
            // waiting; events run before silence is judged, so a click
            // during the last wait is heard as a stop, not taken for an
            // instrument that fell silent.
            wait.letEventsRun();
            if (wait.silent()) break;
            wait.pauseInSilence();
            continue;
        }
        appendBounded(result.reply, chunk);
        wait.heard();
        if (end == ReplyEnd::AtCr && endsInCr(result.reply)) break;
        // A reply that never stops coming must not freeze the window: events
        // run, and "Stop Xfer" closes the port, which the next check finds.
        wait.letEventsRun();
    }
    return result;
}

void closePort(SerialControl& port) noexcept {
    try {
        port.setPortOpen(false);
    } catch (...) {
        // Closing is the way out of every failure; a second failure here
        // must not hide the first.
    }
}

void closePortIfOpen(SerialControl& port) noexcept {
    try {
        if (port.portOpen()) port.setPortOpen(false);
    } catch (...) {
    }
}

} // namespace tz
