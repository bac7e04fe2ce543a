#include "logger/set_query.h"

#include "app/wait.h"
#include "link/serial_link.h"

#include <string_view>

namespace tz::logger {

namespace {

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

std::string setNumber(int set) {
    std::string s = std::to_string(set);
    return s.size() < 2 ? "0" + s : s;
}

std::string querySets(SerialControl& port, Host& host, const StopFlag& stop,
                      const std::array<bool, 21>& ticked, std::array<bool, kSets>& hasData) {
    for (int n = 1; n <= kSets; ++n) {
        if (!ticked[n]) continue;
        throwIfStopped(stop);
        // The answer is judged by its beginning only, and may come in
        // pieces: it ends when the line falls silent.
        const std::string reply =
            exchange(port, host, stop, "LF" + setNumber(n), ReplyEnd::AtSilence).reply;
        hasData[n - 1] = startsWith(reply, "No.");
        if (hasData[n - 1]) continue;
        if (reply.empty()) throw NoAnswer{};
        if (startsWith(reply, "EMPTY")) return "No." + setNumber(n) + "Data is not save";
        if (startsWith(reply, "DATA")) return "No." + setNumber(n) + "Sampling now";
    }
    return {};
}

} // namespace tz::logger
