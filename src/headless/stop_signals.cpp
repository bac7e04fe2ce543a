#include "headless/stop_signals.h"

#include <cerrno>
#include <csignal>

#ifdef _WIN32

#include <QTimer>

#include <atomic>

namespace tz {

// Windows has no pipe to wake the loop from a handler: the loop looks at a
// flag ten times a second instead.
namespace {
std::atomic<int> caught{0};
extern "C" void onSignal(int sig) {
    caught = sig;
}
} // namespace

StopSignals::StopSignals(std::function<void(int)> onStop) : onStop_(std::move(onStop)) {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] { readPipe(); });
    poll->start(100);
}

StopSignals::~StopSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

void StopSignals::readPipe() {
    const int sig = caught.exchange(0);
    if (sig == 0) return;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (onStop_) onStop_(sig);
}

} // namespace tz

#else

#include <fcntl.h>
#include <unistd.h>

namespace tz {

namespace {

int pipeFds[2] = {-1, -1};

extern "C" void onSignal(int sig) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    // Non-blocking: a full pipe already holds a request.
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

void handle(int sig, void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(sig, &sa, nullptr);
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> onStop) : onStop_(std::move(onStop)) {
    if (::pipe(pipeFds) != 0) return;
    for (int fd : pipeFds) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readPipe(); });
    handle(SIGTERM, onSignal);
    handle(SIGINT, onSignal);
}

StopSignals::~StopSignals() {
    handle(SIGTERM, SIG_DFL);
    handle(SIGINT, SIG_DFL);
    notifier_.reset();
    for (int& fd : pipeFds) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void StopSignals::readPipe() {
    unsigned char byte = 0;
    int sig = 0;
    while (::read(pipeFds[0], &byte, 1) == 1)
        sig = byte;
    if (sig == 0) return;
    // From now on a further signal is the operator insisting.
    handle(SIGTERM, SIG_DFL);
    handle(SIGINT, SIG_DFL);
    if (onStop_) onStop_(sig);
}

} // namespace tz

#endif
