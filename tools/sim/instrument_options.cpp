#include "instrument_options.h"

#include <charconv>
#include <cstdlib>
#include <optional>

namespace tz::sim {

namespace {

std::optional<long> wholeNumber(const std::string& text, long lo, long hi) {
    long v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end || v < lo || v > hi) return std::nullopt;
    return v;
}

std::optional<double> seconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(v >= 0) || v > 60) return std::nullopt;
    return v;
}

std::optional<SetState> stateNamed(const std::string& name) {
    for (SetState s :
         {SetState::Data, SetState::Empty, SetState::Recording, SetState::Other, SetState::Silent})
        if (name == toString(s)) return s;
    return std::nullopt;
}

std::optional<Fault> faultNamed(const std::string& name) {
    for (Fault f : {Fault::None, Fault::Silent, Fault::Trickle, Fault::NoCr, Fault::Garbage,
                    Fault::HangUp, Fault::Endless})
        if (name == toString(f)) return f;
    return std::nullopt;
}

} // namespace

std::string usageText() {
    return R"(Usage: tidewell-sim [options]

Simulates a TIDEWELL-Z flowmeter on a pseudo-terminal and publishes it as
serial port COMn for the tidewell-z program, by the symbolic link
  ${XDG_CONFIG_HOME:-$HOME/.config}/tidewell-z/ports/COMn -> /dev/pts/N
It prints "tidewell-sim: COMn -> /dev/pts/N" once the port is ready, and
removes the link when it ends (SIGINT, SIGTERM, --once, or a hang-up).

Commands (each ended by CR) and what they get:
  DQ01..DQ12, DV, DAO, DAI, DC, DT   a signed value in the first nine
                                     characters and a unit, e.g. "+0012.345 m3/h"
  DI+, DI-                           a total at characters 8 to 14,
                                     e.g. "DI+    +001234 m3"
  LFnn (01..20)                      the state of logger set nn: "No.nn DATA
                                     ... REC", "EMPTY", "DATA" (recording
                                     now), "BUSY" (other), or no answer
  LDnn                               the set's download: header lines, an
                                     empty line, then records of value lines
                                     each ended by an empty line; no end mark
  anything else                      "ERR"
Values change from poll to poll. A new command cancels whatever is left of
the reply in progress.

Options:
  --port N              publish as COMN, N from 1 to 9 (default 1)
  --link-dir DIR        put the COMn link into DIR instead
  --records N           records in every set holding data (default 10)
  --values N            value lines in every record, 1 to 50 (default 7)
  --set-state n=STATE   state of logger set n (1 to 20, or "all" for every
                        set not named otherwise); STATE is data, empty,
                        recording, other or silent (default: all=data).
                        Repeatable.
  --fault MODE          none, silent (never answers), trickle (replies come
                        a few bytes at a time, 0.25 s apart), no-cr (on-line
                        and query replies lack their CR), garbage (random
                        bytes, NUL and 8-bit included, instead of every
                        reply), hangup (the line drops; see --hangup-after),
                        endless (every reply is digits without end and
                        without CR, as fast as the line takes them)
  --hangup-after N      with --fault hangup: bytes sent before the line
                        drops (default 64). Given alone it selects the fault.
                        The simulator then closes the pseudo-terminal and
                        exits; start it again for a new line.
  --hangup-after-records N
                        the line drops right after the empty line that
                        closes record N of the first download (0: after the
                        header). Given alone it selects the hangup fault.
  --silent-after N      answer N commands, then fall silent for a while (see
                        --silent-for) and answer again; the meter switched
                        off and on
  --silent-for S        seconds of that silence (default 7)
  --seed N              seed of the values and the garbage (default 1)
  --baud N              line speed that paces downloads (default 9600)
  --reply-delay S       seconds before a reply starts (default 0.05)
  --once                exit when the host closes the port
  --help                this text
)";
}

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    ParsedOptions r;
    Options& o = r.options;
    bool faultGiven = false, hangUpGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        bool hasValue = false;
        if (auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        auto need = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) {
                r.error = name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto number = [&](long lo, long hi) -> std::optional<long> {
            if (!need()) return std::nullopt;
            auto v = wholeNumber(value, lo, hi);
            if (!v)
                r.error = name + ": \"" + value + "\" is not a number from " + std::to_string(lo) +
                          " to " + std::to_string(hi);
            return v;
        };

        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--once") {
            o.once = true;
        } else if (name == "--port") {
            if (auto v = number(1, 9)) o.port = static_cast<int>(*v);
        } else if (name == "--records") {
            if (auto v = number(0, 9999)) o.model.records = static_cast<int>(*v);
        } else if (name == "--values") {
            if (auto v = number(1, 50)) o.model.values = static_cast<int>(*v);
        } else if (name == "--seed") {
            if (auto v = number(0, 4294967295L)) o.model.seed = static_cast<std::uint32_t>(*v);
        } else if (name == "--hangup-after") {
            if (auto v = number(0, 100000000L)) {
                o.model.hangUpAfter = static_cast<std::size_t>(*v);
                hangUpGiven = true;
            }
        } else if (name == "--hangup-after-records") {
            if (auto v = number(0, 9999)) {
                o.model.hangUpAfterRecords = static_cast<int>(*v);
                hangUpGiven = true;
            }
        } else if (name == "--silent-after") {
            if (auto v = number(0, 100000000L)) o.silentAfter = *v;
        } else if (name == "--silent-for") {
            if (!need()) break;
            if (auto v = seconds(value))
                o.silentFor = *v;
            else
                r.error = name + ": \"" + value + "\" is not a number of seconds from 0 to 60";
        } else if (name == "--baud") {
            if (auto v = number(50, 4000000L))
                o.model.bytesPerSecond = static_cast<double>(*v) / 10;
        } else if (name == "--reply-delay") {
            if (!need()) break;
            if (auto v = seconds(value))
                o.model.replyDelay = *v;
            else
                r.error = name + ": \"" + value + "\" is not a number of seconds from 0 to 60";
        } else if (name == "--link-dir") {
            if (!need()) break;
            if (value.empty()) r.error = "--link-dir needs a folder";
            o.linkDir = value;
        } else if (name == "--fault") {
            if (!need()) break;
            if (auto f = faultNamed(value)) {
                o.model.fault = *f;
                faultGiven = true;
            } else {
                r.error = "--fault: unknown mode \"" + value + "\"";
            }
        } else if (name == "--set-state") {
            if (!need()) break;
            const auto eq = value.find('=');
            const auto state =
                eq == std::string::npos ? std::nullopt : stateNamed(value.substr(eq + 1));
            const std::string which = eq == std::string::npos ? value : value.substr(0, eq);
            if (!state) {
                r.error =
                    "--set-state: \"" + value + "\" is not n=data|empty|recording|other|silent";
            } else if (which == "all") {
                o.model.otherSets = *state;
            } else if (auto n = wholeNumber(which, 1, 20)) {
                o.model.sets[static_cast<int>(*n)] = *state;
            } else {
                r.error = "--set-state: set \"" + which + "\" is not 1 to 20 or all";
            }
        } else {
            r.error = "unknown option \"" + args[i] + "\"";
        }
        if (!r.ok()) break;
    }
    if (r.ok() && hangUpGiven && !faultGiven) o.model.fault = Fault::HangUp;
    return r;
}

std::string portLinkDir(const std::string& linkDir, const std::string& xdgConfigHome,
                        const std::string& home) {
    if (!linkDir.empty()) return linkDir;
    // Only absolute folders count, as the program reads the variables.
    auto absolute = [](const std::string& p) { return !p.empty() && p[0] == '/'; };
    std::string base;
    if (absolute(xdgConfigHome))
        base = xdgConfigHome;
    else if (absolute(home))
        base = home + "/.config";
    else
        return {};
    return base + "/tidewell-z/ports";
}

} // namespace tz::sim
