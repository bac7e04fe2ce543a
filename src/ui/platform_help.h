#pragma once
// The part of --help that differs between Linux and Windows: where the
// settings live, what COMn opens, and how to run without windows.
namespace tz {

inline const char* platformHelp() {
#ifdef _WIN32
    return "Settings: Twell.ini and Twenv.dat beside tidewell-z.exe when its folder is\n"
           "writable (the portable zip), otherwise in %APPDATA%\\TIDEWELL-Z\\ (an installed\n"
           "copy). Ports: COMn is the port that Device Manager lists under\n"
           "\"Ports (COM & LPT)\".\n"
           "\n"
           "Without windows (Task Scheduler, a service, no one at the desktop), run the\n"
           "console twin tidewell-z-cli.exe beside tidewell-z.exe: cmd.exe and PowerShell\n"
           "wait for it, show what it prints and get its exit status.\n"
           "  tidewell-z-cli --online --port COM1 --parameter NAME --interval hh:mm:ss "
           "--csv FILE [--count N]\n"
           "  tidewell-z-cli --logger SETS --port COM1 --csv FILE   (SETS like 1,3,5-7)\n"
           "tidewell-z-cli --online --help lists their options.";
#else
    return "Settings: Twell.ini and Twenv.dat beside the program when its folder is writable,\n"
           "otherwise in ${XDG_CONFIG_HOME:-~/.config}/tidewell-z/.\n"
           "Ports: COMn opens the device that ${XDG_CONFIG_HOME:-~/.config}/tidewell-z/ports/COMn\n"
           "links to, else /dev/ttyS<n-1>.\n"
           "\n"
           "Without windows (a service, cron, no desktop):\n"
           "  tidewell-z --online --port COM1 --parameter NAME --interval hh:mm:ss "
           "--csv FILE [--count N]\n"
           "  tidewell-z --logger SETS --port COM1 --csv FILE   (SETS like 1,3,5-7)\n"
           "tidewell-z --online --help lists their options.";
#endif
}

} // namespace tz
