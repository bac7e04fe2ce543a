#pragma once
// tidewell-z.exe is a window program: started from cmd.exe or PowerShell it
// gets no console, and what it prints would be lost. tidewell-z-cli.exe
// (the same program as a console program) is the one for consoles and
// scripts; this at least shows the window program's answer in the console
// it was started from.
namespace tz::win32 {

// Where standard output or standard error leads nowhere (no redirection),
// attach to the console of the process that started the program, if it has
// one, and print there.
void useParentConsole();

} // namespace tz::win32
