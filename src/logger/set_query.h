#pragma once
// The query phase of a logger transfer: every ticked set is asked about
// ("LF" and its number) before any is downloaded.
#include "platform/host.h"
#include "platform/serial_control.h"
#include "platform/stop_flag.h"

#include <array>
#include <string>

namespace tz::logger {

inline constexpr int kSets = 20;

// The instrument did not answer a command at all: "232Port is bad".
struct NoAnswer {};

// A set number in commands and messages: two digits, "03".
std::string setNumber(int set);

// Asks about every ticked set (ticked[1..20]) in order and notes in
// hasData[n - 1] whether set n holds data. Returns the message of a reply
// that ends the transfer ("No.03Data is not save", "No.03Sampling now"),
// empty when the download may go on; sets that answer anything else are
// skipped without a word. Throws NoAnswer when a query meets silence, and
// TransferStopped when "Stop Xfer" is heard.
std::string querySets(SerialControl& port, Host& host, const StopFlag& stop,
                      const std::array<bool, 21>& ticked, std::array<bool, kSets>& hasData);

} // namespace tz::logger
