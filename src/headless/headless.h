#pragma once
// The program without windows: the same settings files, transfers,
// messages and documents as the windows, driven by the command line, with
// progress and messages on standard error. Builds no widget, so it needs
// no display.
namespace tz {

struct Globals;

// Runs the transfer the arguments ask for and returns the exit status:
// 0 done (also when SIGTERM or Ctrl-C ended it), 1 the transfer failed,
// 2 bad arguments.
// `placeSettings` fills the folders the settings are read from, as for the
// windows.
int runHeadless(int argc, char** argv, void (*placeSettings)(Globals&));

} // namespace tz
