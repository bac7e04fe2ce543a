#pragma once
// The program without windows: the same settings files, transfers,
// messages and documents as the windows, driven by the command line, with
// progress and messages on standard error. Builds no widget, so it needs
// no display.
namespace tz {

struct HeadlessRequest;

// Runs the transfer `request` asks for (read from argv) and returns the
// exit status: 0 done (also when SIGTERM or Ctrl-C ended it), 1 the
// transfer failed, 2 arguments the settings refuse (an unknown parameter,
// an interval out of range). The settings are found where the windows
// would find them.
int runHeadless(int argc, char** argv, const HeadlessRequest& request);

} // namespace tz
