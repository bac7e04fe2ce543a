#pragma once
// The program's command line. Options are declared in parseCommandLine();
// a new option needs its declaration there and a field here.
#include <QString>
#include <QStringList>

namespace tz {

struct CommandLine {
    // Set when the program is to end before any window: the text to print
    // (to stdout for --help/--version, to stderr for a usage error) and the
    // exit code.
    bool exitNow = false;
    int exitCode = 0;
    QString output;
    bool toStderr = false;
};

// Parses `arguments` (argv, the program name first). Needs an application
// object (a QCoreApplication is enough, so that --help and --version work
// without a display); Qt's own window options (-platform, -style, ...) are
// accepted and left to the application object.
CommandLine parseCommandLine(const QStringList& arguments, const QString& version);

// Prints what the parse asked for; returns its exit code.
int printCommandLineOutput(const CommandLine& commandLine);

} // namespace tz
