#pragma once
// The program's command line, for the windows and the unattended runs
// alike: which transfer, its port, its parameter and interval or its
// logger sets, the CSV file, and how an unattended run reports and ends.
// A new option needs its entry in the option table (command_line.cpp), a
// line of help there and a field here.
#include "app/broker_address.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tz {

struct HeadlessRequest {
    enum class Mode { Online, Logger };
    // How an on-line row's TIME cell is written.
    enum class TimeForm {
        LongTime,        // the system's long time format
        IsoSeconds,      // 2026-12-08T14:03:07+01:00
        IsoMilliseconds, // 2026-12-08T14:03:07.250+01:00
    };

    Mode mode = Mode::Online;
    int port = 1;                // COMn
    std::string devicePath;      // a device named by its path instead of COMn
    std::string parameter;       // on-line: the parameter's name as listed
    std::string intervalDigits;  // on-line: hhmmss
    long long count = 0;         // on-line: polls before the end; 0: no limit
    std::array<bool, 21> sets{}; // logger: indexes 1..20
    std::string csv;

    // On-line: end at the first poll that gets no value instead of going on.
    bool stopOnFault = false;
    TimeForm timeForm = TimeForm::LongTime;
    // On-line: also publish every row to this broker.
    std::optional<BrokerAddress> publish;
    // The file that holds the broker's password (never the password itself).
    std::string publishPasswordFile;
    // Report only faults and the final line, no line per row or set.
    bool quiet = false;
};

struct CommandLine {
    enum class Kind {
        Windows, // no transfer asked for: the windows start
        Run,     // an unattended transfer, described by `request`
        Help,    // print `text` on standard output, exit 0
        Version, // the same
        Error,   // print `text` on standard error, exit 2
    };
    Kind kind = Kind::Windows;
    std::string text;
    HeadlessRequest request;
};

// The exit status of arguments the program cannot run with.
inline constexpr int kBadArgumentsStatus = 2;

// Reads the arguments (argv[0] first, UTF-8). Qt's own window options
// (-platform, -style, ...) are accepted for the windows and left to the
// application object; an unattended run refuses them.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// Prints the text of a Help, Version or Error parse; returns the exit
// status it calls for.
int printCommandLineOutput(const CommandLine& commandLine);

// "1,3,5-7" into ticks of sets 1..20; false for anything else.
bool parseSets(const std::string& text, std::array<bool, 21>& sets);
// "COM1".."COM9" (any case) or "1".."9" into the port number; 0 otherwise.
int parsePort(const std::string& text);
// "hh:mm:ss" into its six digits; empty unless it has exactly that form.
std::string intervalDigits(const std::string& text);

} // namespace tz
