#pragma once
// A private Xvfb for one test, on a display number it picks itself, made
// the DISPLAY of this process while it runs.
#include "test_support.h"

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tz::test {

class XvfbServer {
  public:
    XvfbServer() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        std::vector<std::string> args{"Xvfb",      "-displayfd", std::to_string(fds[1]),
                                      "-nolisten", "tcp",        "-screen",
                                      "0",         "1024x768x24"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        while (pid_ && ::poll(&p, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (!number.empty()) display_ = std::make_unique<ScopedEnv>("DISPLAY", ":" + number);
    }
    ~XvfbServer() {
        display_.reset();
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status;
        ::waitpid(pid_, &status, 0);
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return display_ != nullptr; }

  private:
    pid_t pid_ = 0;
    std::unique_ptr<ScopedEnv> display_;
};

} // namespace tz::test
