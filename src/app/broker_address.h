#pragma once
// The broker an on-line run publishes its rows to, as the command line
// names it.
#include <optional>
#include <string>

namespace tz {

// mqtt://[USER@]HOST[:PORT]/TOPIC in its parts.
struct BrokerAddress {
    std::string user; // empty: no login
    std::string host; // a name, an IPv4 address or an IPv6 address without brackets
    int port = 1883;
    std::string topic;
};

// Reads an address; on a fault, the reason in `why` and nothing returned.
// Only mqtt:// is taken, and no password: it would be on the command line
// for every user to read.
std::optional<BrokerAddress> parseBrokerUrl(const std::string& url, std::string& why);

} // namespace tz
