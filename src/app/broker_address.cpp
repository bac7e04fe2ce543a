#include "app/broker_address.h"

#include <algorithm>
#include <cctype>

namespace tz {

namespace {

bool allDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

} // namespace

std::optional<BrokerAddress> parseBrokerUrl(const std::string& url, std::string& why) {
    const std::size_t schemeEnd = url.find("://");
    std::string scheme = schemeEnd == std::string::npos ? std::string() : url.substr(0, schemeEnd);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (scheme != "mqtt") {
        why = scheme.empty() ? "write it as mqtt://[USER@]HOST[:PORT]/TOPIC"
                             : "only mqtt:// is supported, not " + scheme + "://";
        return std::nullopt;
    }
    const std::string rest = url.substr(schemeEnd + 3);
    const std::size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    BrokerAddress address;
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos) {
        address.user = authority.substr(0, at);
        authority.erase(0, at + 1);
        if (address.user.find(':') != std::string::npos) {
            why = "no password in the address; use --publish-password-file or TZ_MQTT_PASSWORD";
            return std::nullopt;
        }
        if (address.user.empty()) {
            why = "the user name before @ is empty";
            return std::nullopt;
        }
    }
    std::optional<std::string> portText;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        const std::string after = close == std::string::npos ? "" : authority.substr(close + 1);
        if (close == std::string::npos || close == 1 || (!after.empty() && after.front() != ':')) {
            why = "an IPv6 address is written [address] or [address]:PORT";
            return std::nullopt;
        }
        address.host = authority.substr(1, close - 1);
        if (!after.empty()) portText = after.substr(1);
    } else if (const std::size_t colon = authority.find(':'); colon != std::string::npos) {
        address.host = authority.substr(0, colon);
        portText = authority.substr(colon + 1);
    } else {
        address.host = authority;
    }
    if (address.host.empty()) {
        why = "the broker's host is missing";
        return std::nullopt;
    }
    if (portText) {
        if (!allDigits(*portText) || portText->size() > 5 || std::stoi(*portText) < 1 ||
            std::stoi(*portText) > 65535) {
            why = "the port must be 1 to 65535";
            return std::nullopt;
        }
        address.port = std::stoi(*portText);
    }
    address.topic = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    if (address.topic.empty()) {
        why = "the topic after the host is missing (mqtt://HOST/TOPIC)";
        return std::nullopt;
    }
    // A topic to publish on names one place: the subscription wildcards
    // are refused by every broker.
    if (address.topic.find_first_of("+#") != std::string::npos ||
        address.topic.find('\0') != std::string::npos) {
        why = "a topic to publish on holds no + or #";
        return std::nullopt;
    }
    return address;
}

} // namespace tz
