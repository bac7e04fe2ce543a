#pragma once
// Helpers for tests that start real processes: a scratch folder, an
// environment variable set for one test, and a bounded wait for something
// another process does.
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <list>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "probes.h"
#include "scratch.h"

extern char** environ;

namespace tz::test {

// Poll `done` every 20 ms for at most `seconds` of real time.
inline bool waitFor(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// posix_spawn with the file actions and attributes the tests' processes
// need, set up in a chain: Spawn().devNull(0).newGroup().run({...}).
class Spawn {
  public:
    Spawn() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attr_);
    }
    ~Spawn() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }
    Spawn(const Spawn&) = delete;
    Spawn& operator=(const Spawn&) = delete;

    Spawn& open(int fd, const std::string& path, int flags) {
        paths_.push_back(path);
        posix_spawn_file_actions_addopen(&actions_, fd, paths_.back().c_str(), flags, 0644);
        return *this;
    }
    Spawn& devNull(int fd) { return open(fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY); }
    Spawn& dup(int from, int to) {
        posix_spawn_file_actions_adddup2(&actions_, from, to);
        return *this;
    }
    Spawn& close(int fd) {
        posix_spawn_file_actions_addclose(&actions_, fd);
        return *this;
    }
    Spawn& newGroup() { // to end it whole with kill(-pid)
        posix_spawnattr_setpgroup(&attr_, 0);
        flags_ |= POSIX_SPAWN_SETPGROUP;
        return *this;
    }
    Spawn& newSession() {
        flags_ |= POSIX_SPAWN_SETSID;
        return *this;
    }
    // The process id, 0 when it did not start. A program name without "/"
    // is looked up along PATH.
    pid_t run(std::vector<std::string> args, char** envp = environ) {
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawnattr_setflags(&attr_, flags_);
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], &actions_, &attr_, argv.data(), envp) != 0) return 0;
        return pid;
    }

  private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attr_;
    short flags_ = 0;
    std::list<std::string> paths_;
};

// One line from `fd` (without its end), waiting at most `seconds` for each
// character; what came when the wait ran out.
inline std::string readLineFrom(int fd, double seconds) {
    std::string line;
    pollfd p{fd, POLLIN, 0};
    char c;
    while (::poll(&p, 1, static_cast<int>(seconds * 1000)) == 1 && ::read(fd, &c, 1) == 1 &&
           c != '\n')
        line += c;
    return line;
}

inline void writeScript(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

} // namespace tz::test
