#pragma once
// The command line of the program's unattended runs: which transfer, its
// port, its parameter and interval or its logger sets, and the CSV file.
#include <QStringList>

#include <array>
#include <string>

namespace tz {

struct HeadlessRequest {
    enum class Mode { Online, Logger };
    Mode mode = Mode::Online;
    int port = 1;                // COMn
    std::string parameter;       // on-line: the parameter's name as listed
    std::string intervalDigits;  // on-line: hhmmss
    long long count = 0;         // on-line: polls before the end; 0: no limit
    std::array<bool, 21> sets{}; // logger: indexes 1..20
    std::string csv;
};

// The arguments ask for an unattended run (--online or --logger), so the
// program must start without windows.
bool wantsHeadless(int argc, char** argv);

struct ParseResult {
    enum class Kind { Run, Help, Version, Error };
    Kind kind = Kind::Error;
    std::string text; // help, version or the error, ready to print
};

// Reads the arguments (argv[0] first) into `request`.
ParseResult parseHeadless(const QStringList& arguments, HeadlessRequest& request);

// "1,3,5-7" into ticks of sets 1..20; false for anything else.
bool parseSets(const std::string& text, std::array<bool, 21>& sets);
// "COM1".."COM9" (any case) or "1".."9" into the port number; 0 otherwise.
int parsePort(const std::string& text);
// "hh:mm:ss" into its six digits; empty unless it has exactly that form.
std::string intervalDigits(const std::string& text);

} // namespace tz
