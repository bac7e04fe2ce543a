#pragma once
// Starting the desktop's helper programs (LibreOffice, the help viewer)
// without waiting for them and without handing them our open files.
#include <string>
#include <vector>

namespace tz::calc {

// The full path of `name` along PATH (or `name` itself when it holds a
// "/" and is executable); "" when there is none.
std::string findProgram(const std::string& name);

// Start argv[0] with the other arguments as a process of its own session,
// with standard input and output on /dev/null and no other descriptor of
// ours, and return without waiting for it. Throws a Failure naming the
// program when it cannot be found or started.
void startDetached(const std::vector<std::string>& argv);

// The command that runs LibreOffice: the program (TZ_SOFFICE, else soffice
// along PATH, else the usual install place) and the extra arguments of
// TZ_SOFFICE_ARGS (split at blanks), ready for more arguments.
// Throws a Failure telling which package to install when there is none.
std::vector<std::string> sofficeCommand();

// The arguments of TZ_SOFFICE_ARGS, split at blanks.
std::vector<std::string> extraSofficeArgs();

// The pipe on which this program talks to LibreOffice: TZ_UNO_PIPE, else a
// name of its own.
std::string officePipeName();
// soffice's argument that makes it accept connections on the pipe.
std::string acceptArgument(const std::string& pipeName);

} // namespace tz::calc
