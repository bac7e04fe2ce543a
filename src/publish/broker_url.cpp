#include "publish/broker_url.h"

#include <cctype>

namespace tz {

namespace {

BrokerUrlParse refuse(const std::string& why) {
    BrokerUrlParse r;
    r.error = why;
    return r;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX sequences into their bytes; false for a broken one.
bool percentDecode(const std::string& in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size()) return false;
        const int hi = hexDigit(in[i + 1]), lo = hexDigit(in[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

std::string BrokerUrl::display() const {
    const bool v6 = host.find(':') != std::string::npos;
    return "mqtt://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/" + topic;
}

BrokerUrlParse parseBrokerUrl(const std::string& text) {
    const auto colon = text.find("://");
    if (colon == std::string::npos)
        return refuse("\"" + text + "\" is not a broker address of the form mqtt://HOST/TOPIC.");
    const std::string scheme = lower(text.substr(0, colon));
    if (scheme == "mqtts" || scheme == "ssl" || scheme == "tls")
        return refuse("TLS (" + scheme +
                      "://) is not supported; use mqtt:// on a trusted network.");
    if (scheme != "mqtt")
        return refuse("The broker address must begin with mqtt://, not " + scheme + "://.");

    const std::string rest = text.substr(colon + 3);
    const auto slash = rest.find('/');
    if (slash == std::string::npos || slash + 1 == rest.size())
        return refuse("The broker address names no topic: mqtt://HOST/TOPIC.");
    std::string authority = rest.substr(0, slash);
    BrokerUrlParse r;
    if (!percentDecode(rest.substr(slash + 1), r.url.topic))
        return refuse("The topic has a broken %-escape.");

    const auto at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string userinfo = authority.substr(0, at);
        authority = authority.substr(at + 1);
        if (userinfo.find(':') != std::string::npos)
            return refuse("The broker address holds a password: give it in TZ_MQTT_PASSWORD or a "
                          "file named by --publish-password-file, never on the command line.");
        if (!percentDecode(userinfo, r.url.user) || r.url.user.empty())
            return refuse("The user name in the broker address is empty or broken.");
    }

    std::string portText;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string::npos) return refuse("The broker's IPv6 address lacks its ].");
        r.url.host = authority.substr(1, close - 1);
        const std::string after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return refuse("Unexpected text after the broker's address.");
            portText = after.substr(1);
            if (portText.empty()) return refuse("The broker's port number is missing.");
        }
    } else {
        const auto c = authority.rfind(':');
        r.url.host = authority.substr(0, c);
        if (c != std::string::npos) {
            portText = authority.substr(c + 1);
            if (portText.empty()) return refuse("The broker's port number is missing.");
        }
    }
    if (r.url.host.empty()) return refuse("The broker address names no host.");
    for (char ch : r.url.host)
        if (std::isspace(static_cast<unsigned char>(ch)) || ch == '/' || ch == '@')
            return refuse("The broker's host name \"" + r.url.host + "\" is not valid.");
    if (!portText.empty()) {
        long port = 0;
        for (char ch : portText) {
            if (!std::isdigit(static_cast<unsigned char>(ch)) || port > 65535)
                return refuse("The broker's port \"" + portText + "\" is not a number 1 to 65535.");
            port = port * 10 + (ch - '0');
        }
        if (port < 1 || port > 65535)
            return refuse("The broker's port \"" + portText + "\" is not a number 1 to 65535.");
        r.url.port = static_cast<int>(port);
    }

    const std::string& topic = r.url.topic;
    if (topic.find_first_of("+#") != std::string::npos)
        return refuse("The topic \"" + topic +
                      "\" holds a wildcard (+ or #); publish to one topic.");
    if (topic.find('\0') != std::string::npos) return refuse("The topic holds a NUL character.");
    if (topic.front() == '$') return refuse("Topics beginning with $ belong to the broker.");
    if (topic.size() > 60000) return refuse("The topic is too long.");
    r.ok = true;
    return r;
}

} // namespace tz
