#include "app/command_line.h"

#include "app/about.h"
#include "app/console_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

namespace tz {

namespace {

bool allDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

// A set number 1..20 written in decimal, nothing else.
int setNumber(const std::string& s) {
    if (!allDigits(s) || s.size() > 2) return 0;
    const int n = std::stoi(s);
    return n >= 1 && n <= 20 ? n : 0;
}

enum class Takes { Nothing, Value, OptionalValue };
enum class For { Windows, Any, Online, Logger };

struct Option {
    const char* name;
    Takes takes;
    For only;
};

// Every option the program knows. The Qt options are the ones
// QGuiApplication takes for itself: read here only so that they are not
// refused, and acted on by the application object made afterwards.
constexpr Option kOptions[] = {
    {"help", Takes::Nothing, For::Any},
    {"version", Takes::Nothing, For::Any},
    {"online", Takes::Nothing, For::Any},
    {"logger", Takes::Value, For::Any},
    {"port", Takes::Value, For::Any},
    {"csv", Takes::Value, For::Any},
    {"quiet", Takes::Nothing, For::Any},
    {"parameter", Takes::Value, For::Online},
    {"interval", Takes::Value, For::Online},
    {"count", Takes::Value, For::Online},
    {"stop-on-fault", Takes::Nothing, For::Online},
    {"iso-time", Takes::OptionalValue, For::Online},
    {"publish", Takes::Value, For::Online},
    {"publish-password-file", Takes::Value, For::Online},
    {"platform", Takes::Value, For::Windows},
    {"platformpluginpath", Takes::Value, For::Windows},
    {"platformtheme", Takes::Value, For::Windows},
    {"plugin", Takes::Value, For::Windows},
    {"style", Takes::Value, For::Windows},
    {"stylesheet", Takes::Value, For::Windows},
    {"session", Takes::Value, For::Windows},
    {"display", Takes::Value, For::Windows},
    {"geometry", Takes::Value, For::Windows},
    {"qwindowgeometry", Takes::Value, For::Windows},
    {"qwindowtitle", Takes::Value, For::Windows},
    {"qwindowicon", Takes::Value, For::Windows},
    {"title", Takes::Value, For::Windows},
    {"name", Takes::Value, For::Windows},
    {"qmljsdebugger", Takes::OptionalValue, For::Windows},
    {"reverse", Takes::Nothing, For::Windows},
    {"widgetcount", Takes::Nothing, For::Windows},
    {"nograb", Takes::Nothing, For::Windows},
    {"dograb", Takes::Nothing, For::Windows},
    {"sync", Takes::Nothing, For::Windows},
};

const Option* findOption(const std::string& name) {
    for (const Option& o : kOptions)
        if (name == o.name) return &o;
    return nullptr;
}

constexpr const char* kSynopsis =
    "Usage: tidewell-z                   the windows\n"
    "       tidewell-z --online --port PORT --parameter NAME --interval hh:mm:ss\n"
    "                  --csv FILE [--count N] [ON-LINE OPTIONS]\n"
    "       tidewell-z --logger SETS --port PORT --csv FILE [--quiet]\n";

constexpr const char* kHelp =
    "Data transfer for the TIDEWELL-Z flowmeter: on-line polling of one parameter and\n"
    "download of the logger data sets, into a CSV document or a spreadsheet workbook.\n"
    "Without --online or --logger the windows open; with one of them the transfer\n"
#ifdef _WIN32
    "runs without windows (Task Scheduler, a service, no desktop), with progress and\n"
    "messages on standard error.\n"
#else
    "runs without windows (a service, cron, no desktop), with progress and messages\n"
    "on standard error.\n"
#endif
    "\n"
    "Options:\n"
    "  -h, --help            Show this help and exit.\n"
    "  -v, --version         Show the version and exit.\n"
    "  --online              Poll one parameter at an interval.\n"
    "  --logger SETS         Download the logger data sets SETS (like 1,3,5-7).\n"
#ifdef _WIN32
    "  --port PORT           The serial port: COM1 to COM9.\n"
#else
    "  --port PORT           The serial port: COM1 to COM9, or a device path\n"
    "                        (/dev/ttyUSB0, /dev/serial/by-id/...).\n"
#endif
    "  --csv FILE            The CSV document to write (replaced).\n"
    "  --quiet               Report only faults and the final line.\n"
    "On-line options:\n"
    "  --parameter NAME      The parameter, by its name in Twell.ini.\n"
    "  --interval hh:mm:ss   00:00:02 to 09:00:00.\n"
    "  --count N             End after N polls.\n"
    "  --stop-on-fault       End at the first poll without a value (status 1);\n"
    "                        without it a run keeps polling and writes #N/A.\n"
    "  --iso-time[=ms]       Write TIME as ISO 8601 local time with its offset\n"
    "                        (2026-12-08T14:03:07+01:00); =ms adds milliseconds.\n"
    "  --publish mqtt://[USER@]HOST[:PORT]/TOPIC\n"
    "                        Also publish every row to an MQTT broker (port 1883\n"
    "                        unless given).\n"
    "  --publish-password-file FILE\n"
    "                        The broker password, read from FILE (else from the\n"
    "                        environment variable TZ_MQTT_PASSWORD).\n"
    "\n"
    "Settings: Twell.ini and Twenv.dat beside the program when its folder is writable\n"
    "and no installed copy's, otherwise in the user's settings folder\n"
#ifdef _WIN32
    "(%APPDATA%\\TIDEWELL-Z).\n"
    "Ports: COMn is the port Device Manager lists as COMn under \"Ports (COM & LPT)\".\n"
    "From cmd.exe, PowerShell, batch files and Task Scheduler run tidewell-z-cli.exe,\n"
    "the console twin beside tidewell-z.exe: the console waits for it, shows what it\n"
    "prints and gets its exit status.\n"
#else
    "(${XDG_CONFIG_HOME:-~/.config}/tidewell-z).\n"
    "Ports: COMn opens the device that ${XDG_CONFIG_HOME:-~/.config}/tidewell-z/ports/COMn\n"
    "links to, else /dev/ttyS<n-1>.\n"
#endif
    "Exit status: 0 done (also after SIGTERM or Ctrl-C), 1 the transfer failed,\n"
    "2 bad arguments.\n";

CommandLine error(const std::string& why) {
    CommandLine result;
    result.kind = CommandLine::Kind::Error;
    result.text = std::string(kProgramName) + ": " + why + "\n" + kSynopsis + "Try '" +
                  kProgramName + " --help' for more.\n";
    return result;
}

bool isDevicePath(const std::string& text) {
#ifdef _WIN32
    (void)text;
    return false;
#else
    return text.size() > 1 && text.front() == '/';
#endif
}

// The options as given: name to value (the last one counts, as with most
// programs), and the words that are no option.
struct Given {
    std::map<std::string, std::string> values;
    std::vector<std::string> positional;
    bool has(const std::string& name) const { return values.count(name) != 0; }
    const std::string& value(const std::string& name) const { return values.at(name); }
};

// Splits the words into options and their values; the reason on a fault.
std::string readOptions(const std::vector<std::string>& arguments, Given& given) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--") {
            given.positional.insert(given.positional.end(), arguments.begin() + i + 1,
                                    arguments.end());
            break;
        }
        if (word.size() < 2 || word[0] != '-') {
            given.positional.push_back(word);
            continue;
        }
        const bool longForm = word[1] == '-';
        std::string name = word.substr(longForm ? 2 : 1);
        std::optional<std::string> attached;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            attached = name.substr(eq + 1);
            name.erase(eq);
        }
        if (!longForm && name == "h") name = "help";
        if (!longForm && name == "v") name = "version";
        const Option* option = findOption(name);
        // A word with one dash is one of Qt's options (-platform offscreen)
        // or -h / -v, never a cluster of letters.
        if (!option ||
            (!longForm && option->only != For::Windows && name != "help" && name != "version"))
            return "Unknown option '" + word.substr(longForm ? 2 : 1) + "'.";
        std::string value;
        switch (option->takes) {
        case Takes::Nothing:
            if (attached) return "--" + name + " takes no value.";
            break;
        case Takes::OptionalValue:
            value = attached.value_or("");
            break;
        case Takes::Value:
            if (attached)
                value = *attached;
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            else
                return "Missing value after '" + word + "'.";
            break;
        }
        given.values[name] = value;
    }
    return {};
}

// The options that belong to one mode only, given in another.
std::string misplacedOption(const Given& given, bool run, bool online) {
    for (const auto& [name, value] : given.values) {
        const For only = findOption(name)->only;
        if (only == For::Windows && run)
            return "-" + name + " is for the windows, not for --online or --logger";
        if (only == For::Online && !online) return "--" + name + " is for --online";
        if (only == For::Any && !run && name != "help" && name != "version")
            return "--" + name + " is for --online or --logger";
    }
    return {};
}

std::string readOnline(const Given& given, HeadlessRequest& request) {
    if (!given.has("parameter")) return "--parameter NAME is missing";
    request.parameter = given.value("parameter");
    if (!given.has("interval")) return "--interval hh:mm:ss is missing";
    request.intervalDigits = intervalDigits(given.value("interval"));
    if (request.intervalDigits.empty())
        return "--interval must read hh:mm:ss, not " + given.value("interval");
    if (given.has("count")) {
        const std::string& n = given.value("count");
        if (!allDigits(n) || n.size() > 15 || std::stoll(n) < 1)
            return "--count must be a whole number above 0, not " + n;
        request.count = std::stoll(n);
    }
    request.stopOnFault = given.has("stop-on-fault");
    if (given.has("iso-time")) {
        const std::string& form = given.value("iso-time");
        if (form.empty() || form == "s")
            request.timeForm = HeadlessRequest::TimeForm::IsoSeconds;
        else if (form == "ms")
            request.timeForm = HeadlessRequest::TimeForm::IsoMilliseconds;
        else
            return "--iso-time takes =s or =ms, not =" + form;
    }
    if (given.has("publish")) {
        std::string why;
        request.publish = parseBrokerUrl(given.value("publish"), why);
        if (!request.publish) return "--publish " + given.value("publish") + ": " + why;
    }
    if (given.has("publish-password-file")) {
        if (!request.publish) return "--publish-password-file needs --publish";
        request.publishPasswordFile = given.value("publish-password-file");
        if (request.publishPasswordFile.empty()) return "--publish-password-file FILE is empty";
    }
    return {};
}

// Fills the request of an unattended run; the reason on a fault.
std::string readRun(const Given& given, HeadlessRequest& request) {
    if (!given.has("port")) return "--port is missing";
    const std::string& port = given.value("port");
    if (isDevicePath(port)) {
        request.devicePath = port;
        request.port = 0;
    } else {
        request.port = parsePort(port);
        if (request.port == 0)
            return "--port must be COM1 to COM9 or a device path like /dev/ttyUSB0, not " + port;
    }
    if (!given.has("csv") || given.value("csv").empty()) return "--csv FILE is missing";
    request.csv = given.value("csv");
    request.quiet = given.has("quiet");
    if (given.has("logger")) {
        request.mode = HeadlessRequest::Mode::Logger;
        if (!parseSets(given.value("logger"), request.sets))
            return "SETS must be numbers 1 to 20 and ranges, like 1,3,5-7, not " +
                   given.value("logger");
        return {};
    }
    request.mode = HeadlessRequest::Mode::Online;
    return readOnline(given, request);
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    Given given;
    if (std::string why = readOptions(arguments, given); !why.empty()) return error(why);

    CommandLine result;
    if (given.has("help")) {
        result.kind = CommandLine::Kind::Help;
        result.text = std::string(kSynopsis) + "\n" + kHelp;
        return result;
    }
    if (given.has("version")) {
        result.kind = CommandLine::Kind::Version;
        result.text = std::string(kProgramName) + " " + programVersion() + "\n";
        return result;
    }
    if (!given.positional.empty())
        return error("unexpected argument \"" + given.positional.front() + "\"");
    if (given.has("online") && given.has("logger"))
        return error("give either --online or --logger SETS");
    const bool run = given.has("online") || given.has("logger");
    if (std::string why = misplacedOption(given, run, given.has("online")); !why.empty())
        return error(why);
    if (!run) return result;
    if (std::string why = readRun(given, result.request); !why.empty()) return error(why);
    result.kind = CommandLine::Kind::Run;
    return result;
}

int printCommandLineOutput(const CommandLine& commandLine) {
    const bool failed = commandLine.kind == CommandLine::Kind::Error;
    std::FILE* to = failed ? stderr : stdout;
    writeConsoleText(to, commandLine.text);
    return failed ? kBadArgumentsStatus : 0;
}

bool parseSets(const std::string& text, std::array<bool, 21>& sets) {
    sets.fill(false);
    bool any = false;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        const std::string item = text.substr(from, comma - from);
        const std::size_t dash = item.find('-');
        const int first = setNumber(item.substr(0, dash));
        const int last = dash == std::string::npos ? first : setNumber(item.substr(dash + 1));
        if (first == 0 || last < first) return false;
        for (int n = first; n <= last; ++n)
            sets[static_cast<std::size_t>(n)] = any = true;
        if (comma == std::string::npos) return any;
        from = comma + 1;
    }
}

int parsePort(const std::string& text) {
    std::string s = text;
    if (s.size() > 3 && (s[0] == 'C' || s[0] == 'c') && (s[1] == 'O' || s[1] == 'o') &&
        (s[2] == 'M' || s[2] == 'm'))
        s = s.substr(3);
    return s.size() == 1 && s[0] >= '1' && s[0] <= '9' ? s[0] - '0' : 0;
}

std::string intervalDigits(const std::string& text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return {};
    const std::string digits = text.substr(0, 2) + text.substr(3, 2) + text.substr(6, 2);
    return allDigits(digits) ? digits : std::string();
}

} // namespace tz
