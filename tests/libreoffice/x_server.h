#pragma once
// A private Xvfb for one test, on a display number it picks itself, made
// the DISPLAY of this process while it runs.
#include "test_support.h"

#include <csignal>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace tz::test {

class XvfbServer {
  public:
    XvfbServer() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = Spawn().devNull(2).run({"Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten",
                                       "tcp", "-screen", "0", "1024x768x24"});
        ::close(fds[1]);
        const std::string number = pid_ ? readLineFrom(fds[0], 10) : "";
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
