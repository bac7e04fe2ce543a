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
// program when it cannot be found or started. Returns the id of the new
// session, which holds the program and every process it starts.
int startDetached(const std::vector<std::string>& argv);

// End the processes of session `session` that still run (SIGTERM, then
// SIGKILL to those left after `graceMs`), each by its id. Processes that
// have left the session, or were never in it, are not touched.
void endSession(int session, int graceMs = 2000) noexcept;

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
