#include "headless/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cctype>
#include <cstring>

namespace tz {

namespace {

bool allDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// A set number 1..20 written in decimal, nothing else.
int setNumber(const std::string& s) {
    if (!allDigits(s) || s.size() > 2) return 0;
    const int n = std::stoi(s);
    return n >= 1 && n <= 20 ? n : 0;
}

} // namespace

bool wantsHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--")) return false;
        if (!std::strcmp(argv[i], "--online") || !std::strcmp(argv[i], "--logger") ||
            !std::strncmp(argv[i], "--logger=", 9))
            return true;
    }
    return false;
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

ParseResult parseHeadless(const QStringList& arguments, HeadlessRequest& request) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "TIDEWELL-Z data transfer without windows, for unattended use.\n"
        "On-line: tidewell-z --online --port COM1 --parameter NAME --interval hh:mm:ss "
        "--csv FILE [--count N]\n"
        "Logger:  tidewell-z --logger SETS --port COM1 --csv FILE   (SETS like 1,3,5-7)\n"
        "Progress and messages go to standard error. Exit status: 0 done (also after "
        "SIGTERM or Ctrl-C), 1 the transfer failed, 2 bad arguments.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption online("online", "Poll one parameter at an interval.");
    const QCommandLineOption logger("logger", "Download the logger data sets SETS.", "SETS");
    const QCommandLineOption port("port", "Serial port, COM1 to COM9.", "PORT");
    const QCommandLineOption parameter("parameter", "On-line: the parameter, by its listed name.",
                                       "NAME");
    const QCommandLineOption interval("interval", "On-line: 00:00:02 to 09:00:00.", "hh:mm:ss");
    const QCommandLineOption count("count", "On-line: end after N polls.", "N");
    const QCommandLineOption csv("csv", "The CSV document to write (replaced).", "FILE");
    parser.addOptions({online, logger, port, parameter, interval, count, csv});

    auto error = [&](const QString& why) {
        return ParseResult{ParseResult::Kind::Error,
                           ("tidewell-z: " + why + "\nTry 'tidewell-z --help'.").toStdString()};
    };
    if (!parser.parse(arguments)) return error(parser.errorText());
    if (parser.isSet(help)) return {ParseResult::Kind::Help, parser.helpText().toStdString()};
    if (parser.isSet(version))
        return {ParseResult::Kind::Version,
                (QCoreApplication::applicationName() + " " + QCoreApplication::applicationVersion())
                    .toStdString()};
    if (!parser.positionalArguments().isEmpty())
        return error("unexpected argument " + parser.positionalArguments().front());
    if (parser.isSet(online) == parser.isSet(logger))
        return error("give either --online or --logger SETS");
    if (!parser.isSet(port)) return error("--port is missing");
    request.port = parsePort(parser.value(port).toStdString());
    if (request.port == 0) return error("--port must be COM1 to COM9, not " + parser.value(port));
    if (!parser.isSet(csv) || parser.value(csv).isEmpty()) return error("--csv FILE is missing");
    request.csv = parser.value(csv).toStdString();

    if (parser.isSet(logger)) {
        request.mode = HeadlessRequest::Mode::Logger;
        for (const auto* o : {&parameter, &interval, &count})
            if (parser.isSet(*o)) return error("--" + o->names().front() + " is for --online");
        if (!parseSets(parser.value(logger).toStdString(), request.sets))
            return error("SETS must be numbers 1 to 20 and ranges, like 1,3,5-7, not " +
                         parser.value(logger));
        return {ParseResult::Kind::Run, {}};
    }
    request.mode = HeadlessRequest::Mode::Online;
    if (!parser.isSet(parameter)) return error("--parameter NAME is missing");
    request.parameter = parser.value(parameter).toStdString();
    if (!parser.isSet(interval)) return error("--interval hh:mm:ss is missing");
    request.intervalDigits = intervalDigits(parser.value(interval).toStdString());
    if (request.intervalDigits.empty())
        return error("--interval must read hh:mm:ss, not " + parser.value(interval));
    if (parser.isSet(count)) {
        bool ok = false;
        request.count = parser.value(count).toLongLong(&ok);
        if (!ok || request.count < 1) return error("--count must be a whole number above 0");
    }
    return {ParseResult::Kind::Run, {}};
}

} // namespace tz
