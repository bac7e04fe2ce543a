#include "backends/libreoffice/process.h"

#include "platform/failure.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#ifndef TZ_LO_PROGRAM_DIR
#define TZ_LO_PROGRAM_DIR "/usr/lib/libreoffice/program"
#endif

namespace tz::calc {

namespace {

bool isExecutableFile(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), X_OK) == 0;
}

std::string envText(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

class SpawnSetup {
  public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
};

} // namespace

std::string findProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return isExecutableFile(name) ? name : "";
    std::istringstream path(envText("PATH"));
    for (std::string dir; std::getline(path, dir, ':');) {
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (isExecutableFile(candidate)) return candidate;
    }
    return {};
}

int startDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) throw Failure(FailureCode::Other, "No program to start.");
    const std::string program = findProgram(argv[0]);
    if (program.empty())
        throw Failure(FailureCode::Other, "The program " + argv[0] + " was not found.");

    // A shell that puts the program in the background and ends at once: we
    // reap the shell, and the program, which may live far longer than this
    // process, never becomes our zombie.
    std::vector<std::string> args{"/bin/sh", "-c", "\"$0\" \"$@\" &", program};
    args.insert(args.end(), argv.begin() + 1, argv.end());
    std::vector<char*> cargs;
    for (auto& a : args)
        cargs.push_back(a.data());
    cargs.push_back(nullptr);

    SpawnSetup s;
    // Our serial port and files must not stay open in a spreadsheet
    // program that outlives the transfer.
    posix_spawn_file_actions_addopen(&s.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&s.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&s.actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&s.actions, 3);
    // Its own session, so that a Ctrl+C or hang-up of our terminal is not
    // its end, and plain signal handling whatever ours is.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&s.attr, &none);
    posix_spawnattr_setsigdefault(&s.attr, &defaults);
    posix_spawnattr_setflags(&s.attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    const int err = posix_spawn(&pid, "/bin/sh", &s.actions, &s.attr, cargs.data(), environ);
    if (err != 0)
        throw Failure(FailureCode::Other,
                      "The program " + argv[0] + " could not be started: " + std::strerror(err));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // The shell led the session it was started in; the id stays the
    // session's while any process of it lives.
    return static_cast<int>(pid);
}

namespace {

// The processes of a session that have not ended (zombies count as ended:
// they are someone else's to reap).
std::vector<pid_t> sessionMembers(int session) {
    std::vector<pid_t> out;
    DIR* proc = ::opendir("/proc");
    if (!proc) return out;
    while (const dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        std::ifstream in("/proc/" + std::string(e->d_name) + "/stat");
        std::string stat;
        std::getline(in, stat);
        // The name in parentheses may hold anything: the fields that follow
        // start after its last ')'.
        const auto close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 1));
        char state = 0;
        long ppid = 0, pgrp = 0, sid = 0;
        if (!(fields >> state >> ppid >> pgrp >> sid)) continue;
        if (sid == session && state != 'Z' && state != 'X') out.push_back(static_cast<pid_t>(pid));
    }
    ::closedir(proc);
    return out;
}

} // namespace

void endSession(int session, int graceMs) noexcept {
    if (session <= 1) return;
    try {
        for (pid_t p : sessionMembers(session))
            ::kill(p, SIGTERM);
        for (int waited = 0; waited < graceMs; waited += 50) {
            if (sessionMembers(session).empty()) return;
            ::usleep(50 * 1000);
        }
        for (pid_t p : sessionMembers(session))
            ::kill(p, SIGKILL);
    } catch (...) {
        // Out of memory while listing: nothing more can be done here.
    }
}

std::vector<std::string> extraSofficeArgs() {
    std::vector<std::string> args;
    std::istringstream in(envText("TZ_SOFFICE_ARGS"));
    for (std::string a; in >> a;)
        args.push_back(a);
    return args;
}

std::string officePipeName() {
    const std::string name = envText("TZ_UNO_PIPE");
    return name.empty() ? "tidewell_z" : name;
}

std::string acceptArgument(const std::string& pipeName) {
    return "--accept=pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext";
}

std::vector<std::string> sofficeCommand() {
    std::string program = envText("TZ_SOFFICE");
    if (program.empty()) program = findProgram("soffice");
    if (program.empty() && isExecutableFile(TZ_LO_PROGRAM_DIR "/soffice"))
        program = TZ_LO_PROGRAM_DIR "/soffice";
    if (program.empty() || findProgram(program).empty())
        throw Failure(FailureCode::Other,
                      "LibreOffice Calc was not found (no soffice program).\r\n"
                      "Install the package libreoffice-calc for spreadsheet output.");
    std::vector<std::string> cmd{program};
    const auto extra = extraSofficeArgs();
    cmd.insert(cmd.end(), extra.begin(), extra.end());
    return cmd;
}

} // namespace tz::calc
