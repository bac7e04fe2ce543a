#pragma once
// Where the rows are published: mqtt://[USER@]HOST[:PORT]/TOPIC.
#include <string>

namespace tz {

struct BrokerUrl {
    std::string user; // "" for an anonymous login
    std::string host; // an IPv6 address without its brackets
    int port = 1883;
    std::string topic;

    // mqtt://host:port/topic again, without the user (for messages).
    std::string display() const;
};

struct BrokerUrlParse {
    bool ok = false;
    BrokerUrl url;
    std::string error; // a sentence, when not ok
};

// Reads the URL; a password in it, another scheme, wildcards in the topic
// and a port out of range are refused with the reason.
BrokerUrlParse parseBrokerUrl(const std::string& text);

inline constexpr int kDefaultBrokerPort = 1883;

} // namespace tz
