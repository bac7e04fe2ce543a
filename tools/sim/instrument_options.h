#pragma once
// The simulator's command line, parsed without touching any system call so
// that the rules can be tested.
#include "instrument.h"

#include <string>
#include <vector>

namespace tz::sim {

struct Options {
    Config model;
    int port = 1;        // published as COMn
    std::string linkDir; // empty: ${XDG_CONFIG_HOME:-$HOME/.config}/tidewell-z/ports
    bool once = false;   // exit when the host closes the port
    // After this many commands the line falls silent for silentFor seconds
    // (commands are read but not answered), then answers again; -1: never.
    long silentAfter = -1;
    double silentFor = 7;
    bool help = false;
};

struct ParsedOptions {
    Options options;
    std::string error; // empty when the command line was understood
    bool ok() const { return error.empty(); }
};

// `args` without the program name.
ParsedOptions parseOptions(const std::vector<std::string>& args);
std::string usageText();

// The folder of the port links: `linkDir` when set, else the one the
// program looks in, from the values of XDG_CONFIG_HOME and HOME (either may
// be empty; a relative one is ignored). Empty when neither gives a folder.
std::string portLinkDir(const std::string& linkDir, const std::string& xdgConfigHome,
                        const std::string& home);

} // namespace tz::sim
