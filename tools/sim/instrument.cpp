// Command handling, on-line values, pacing and the fault modes.
#include "instrument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <utility>

namespace tz::sim {

namespace {

// Commands longer than this without a CR are line noise, not commands.
constexpr std::size_t kLongestCommand = 64;

// The Latin-1 degree sign (octal 260 = 0xB0), then C.
constexpr const char* kDegreesC = "\260C";

struct Quantity {
    const char* command;
    double centre, swing;
    const char* unit;
};

// Every on-line command but DI+/DI- answers a signed nine-character value
// ("+0012.345") and a unit; the host takes the first nine characters.
constexpr Quantity kQuantities[] = {
    {"DQ01", 1234.5, 150, "m3/h"}, // flow rate
    {"DQ02", 1.5, 0.3, "m/s"},     // velocity
    {"DQ03", 850, 90, "m3/h"},     // flow rate, second path
    {"DQ04", 3.2, 0.4, "m"},       // level
    {"DQ05", 0.51, 0.05, "MPa"},   // pressure
    {"DQ06", 998.2, 0.4, "kg/m3"}, // density
    {"DQ07", 1480, 5, "m/s"},      // sound speed
    {"DQ08", 72, 6, "%"},          // signal strength
    {"DQ09", 310, 40, "l/s"},      // flow rate, third path
    {"DQ10", 45, 3, "dB"},         // gain
    {"DQ11", 12, 4, "mA"},         // current loop
    {"DQ12", 500, 120, "Hz"},      // pulse rate
    {"DV", 1.5, 0.3, "m/s"},       // mean velocity
    {"DAO", 12, 4, "mA"},          // analog output
    {"DAI", 8, 3, "mA"},           // analog input
    {"DC", 0.45, 0.03, "mS/cm"},   // conductivity
    {"DT", 18.5, 1.5, kDegreesC},  // temperature
};

std::string nine(double v) {
    v = std::clamp(v, -9999.999, 9999.999);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+09.3f", v);
    return buf;
}

// "nn" from "01" to "20", or 0.
int setNumber(std::string_view digits) {
    if (digits.size() != 2 || digits[0] < '0' || digits[0] > '9' || digits[1] < '0' ||
        digits[1] > '9')
        return 0;
    const int n = (digits[0] - '0') * 10 + (digits[1] - '0');
    return n >= 1 && n <= 20 ? n : 0;
}

} // namespace

SetState Config::stateOf(int set) const {
    auto it = sets.find(set);
    return it != sets.end() ? it->second : otherSets;
}

const char* toString(SetState state) {
    switch (state) {
    case SetState::Data:
        return "data";
    case SetState::Empty:
        return "empty";
    case SetState::Recording:
        return "recording";
    case SetState::Other:
        return "other";
    case SetState::Silent:
        return "silent";
    }
    return "?";
}

const char* toString(Fault fault) {
    switch (fault) {
    case Fault::None:
        return "none";
    case Fault::Silent:
        return "silent";
    case Fault::Trickle:
        return "trickle";
    case Fault::NoCr:
        return "no-cr";
    case Fault::Garbage:
        return "garbage";
    case Fault::HangUp:
        return "hangup";
    case Fault::Endless:
        return "endless";
    }
    return "?";
}

Instrument::Instrument(Config config)
    : config_(std::move(config)), rng_(0x5EED0000ull ^ config_.seed) {}

std::uint32_t Instrument::nextRandom() {
    // splitmix64: the same sequence on every platform and compiler.
    std::uint64_t z = (rng_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

std::string Instrument::queryText(int set) const {
    if (set < 1 || set > 20) return "ERR\r";
    switch (config_.stateOf(set)) {
    case SetState::Data: {
        char buf[48];
        std::snprintf(buf, sizeof buf, "No.%02d DATA %4d REC\r", set, std::max(0, config_.records));
        return buf;
    }
    case SetState::Empty:
        return "EMPTY\r";
    case SetState::Recording:
        return "DATA\r";
    case SetState::Other:
        return "BUSY\r";
    case SetState::Silent:
        return {};
    }
    return {};
}

std::string Instrument::downloadText(int set) const {
    if (set < 1 || set > 20) return "ERR\r";
    return loggerDownload(config_, set);
}

std::string Instrument::onlineReply(const std::string& command) {
    const long k = polls_[command]++;
    if (command == "DI+" || command == "DI-") {
        // Totals only ever grow; the value sits at characters 8 to 14.
        long& total = command == "DI+" ? plusTotal_ : minusTotal_;
        total =
            (total + 1 + static_cast<long>(nextRandom() % (command == "DI+" ? 40 : 5))) % 1000000;
        char buf[48];
        std::snprintf(buf, sizeof buf, "%s    %c%06ld m3\r", command.c_str(),
                      command == "DI+" ? '+' : '-', total);
        return buf;
    }
    for (std::size_t i = 0; i < std::size(kQuantities); ++i) {
        const Quantity& q = kQuantities[i];
        if (command != q.command) continue;
        const double jitter = static_cast<double>(nextRandom() % 2001) / 1000.0 - 1.0;
        double v = q.centre + q.swing * std::sin(k * 0.35 + static_cast<double>(i)) +
                   q.swing * 0.02 * jitter;
        std::string reply = nine(v) + ' ' + q.unit + '\r';
        // A wave can give the same three decimals twice; the host must see
        // every poll's answer as its own.
        if (reply == last_[command]) reply = nine(v + 0.001) + ' ' + q.unit + '\r';
        last_[command] = reply;
        return reply;
    }
    return "ERR\r";
}

std::string Instrument::answer(const std::string& command, bool& isDownload) {
    isDownload = false;
    if (command.size() == 4 && command.compare(0, 2, "LF") == 0) {
        const int set = setNumber(std::string_view(command).substr(2));
        return set ? queryText(set) : "ERR\r";
    }
    if (command.size() == 4 && command.compare(0, 2, "LD") == 0) {
        const int set = setNumber(std::string_view(command).substr(2));
        if (!set) return "ERR\r";
        isDownload = true;
        return downloadText(set);
    }
    return onlineReply(command);
}

std::string Instrument::garbage(std::size_t length) {
    length = std::max<std::size_t>(length, 8);
    std::string out(length, '\0');
    for (auto& c : out)
        c = static_cast<char>(nextRandom() & 0xFF);
    // Make sure every garbage reply holds the two kinds of byte that
    // text handling gets wrong most often.
    out[nextRandom() % length] = '\0';
    std::size_t high = nextRandom() % length;
    out[high] = static_cast<char>(0x80 | (nextRandom() & 0x7F));
    return out;
}

std::vector<Piece> Instrument::pace(std::string reply, bool isDownload) {
    std::vector<Piece> pieces;
    if (reply.empty()) return pieces;
    const double bps = config_.bytesPerSecond > 0 ? config_.bytesPerSecond : 960;
    if (config_.fault == Fault::Trickle) {
        const std::size_t step = std::max<std::size_t>(1, config_.tricklePiece);
        for (std::size_t at = 0; at < reply.size(); at += step)
            pieces.push_back(
                {at == 0 ? config_.replyDelay : config_.trickleGap, reply.substr(at, step)});
        return pieces;
    }
    if (!isDownload) {
        pieces.push_back({config_.replyDelay, std::move(reply)});
        return pieces;
    }
    const std::size_t step = std::max<std::size_t>(1, config_.downloadPiece);
    for (std::size_t at = 0; at < reply.size(); at += step) {
        std::string bytes = reply.substr(at, step);
        const double transfer = static_cast<double>(bytes.size()) / bps;
        pieces.push_back({(at == 0 ? config_.replyDelay : 0.0) + transfer, std::move(bytes)});
    }
    return pieces;
}

std::vector<Piece> Instrument::applyHangUp(std::vector<Piece> pieces) {
    if (config_.fault != Fault::HangUp) {
        for (const auto& p : pieces)
            sent_ += p.bytes.size();
        return pieces;
    }
    std::vector<Piece> out;
    for (auto& p : pieces) {
        const std::size_t room = config_.hangUpAfter > sent_ ? config_.hangUpAfter - sent_ : 0;
        if (p.bytes.size() >= room) {
            p.bytes.resize(room);
            p.hangUp = true;
            sent_ += room;
            hungUp_ = true;
            out.push_back(std::move(p));
            break;
        }
        sent_ += p.bytes.size();
        out.push_back(std::move(p));
    }
    return out;
}

std::vector<Piece> Instrument::feed(std::string_view bytesFromHost) {
    std::vector<Piece> out;
    for (char c : bytesFromHost) {
        if (hungUp_) break;
        if (c == '\n' || c == '\0') continue;
        if (c != '\r') {
            pending_ += c;
            continue;
        }
        std::string command;
        command.swap(pending_);
        if (command.empty()) continue;
        ++commands_;

        bool isDownload = false;
        std::string reply =
            command.size() > kLongestCommand ? std::string("ERR\r") : answer(command, isDownload);
        if (config_.fault == Fault::Silent || config_.fault == Fault::Endless) continue;
        if (isDownload && config_.fault == Fault::HangUp && config_.hangUpAfterRecords >= 0) {
            // The header ends with an empty line, each record with one more.
            std::size_t at = 0;
            for (int closings = 0; closings <= config_.hangUpAfterRecords; ++closings) {
                const std::size_t found = reply.find("\r\r", at);
                if (found == std::string::npos) {
                    at = reply.size();
                    break;
                }
                at = found + 2;
            }
            config_.hangUpAfter = sent_ + at;
            config_.hangUpAfterRecords = -1;
        }
        if (config_.fault == Fault::NoCr && !isDownload && !reply.empty() && reply.back() == '\r')
            reply.pop_back();
        if (config_.fault == Fault::Garbage && !reply.empty()) reply = garbage(reply.size());

        auto pieces = applyHangUp(pace(std::move(reply), isDownload));
        for (auto& p : pieces)
            out.push_back(std::move(p));
    }
    // An endless line without CR must not grow without bound.
    if (pending_.size() > kLongestCommand + 1) pending_.resize(kLongestCommand + 1);
    return out;
}

} // namespace tz::sim
