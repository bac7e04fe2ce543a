// tidewell-sim: the instrument model served on a pseudo-terminal that the
// program reaches as COMn through a symbolic link.
#include "instrument.h"
#include "instrument_options.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Time between the last byte before a hang-up and the hang-up itself.
constexpr int kLingerMs = 500;

volatile sig_atomic_t gStop = 0;
void onSignal(int) {
    gStop = 1;
}

void complain(const std::string& what) {
    std::fprintf(stderr, "tidewell-sim: %s\n", what.c_str());
}
std::string lastError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool makeFolders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            complain(lastError("cannot create " + part));
            return false;
        }
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        complain(path + " is not a folder");
        return false;
    }
    return true;
}

// The COMn link. It is replaced atomically, so a program that opens the
// port at that moment sees either the old line or the new one, and it is
// removed at the end only while it still points at this simulator's line.
class PortLink {
  public:
    PortLink(std::string path, std::string target)
        : path_(std::move(path)), target_(std::move(target)) {}
    ~PortLink() { remove(); }

    bool publish() {
        struct stat st {};
        if (::lstat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            complain(path_ + " is a folder, not a port link");
            return false;
        }
        const std::string temp = path_ + ".new" + std::to_string(::getpid());
        ::unlink(temp.c_str());
        if (::symlink(target_.c_str(), temp.c_str()) != 0) {
            complain(lastError("cannot create the link " + temp));
            return false;
        }
        if (::rename(temp.c_str(), path_.c_str()) != 0) {
            complain(lastError("cannot publish " + path_));
            ::unlink(temp.c_str());
            return false;
        }
        published_ = true;
        return true;
    }

    void remove() {
        if (!published_) return;
        published_ = false;
        char buf[4096];
        const ssize_t n = ::readlink(path_.c_str(), buf, sizeof buf - 1);
        if (n > 0 && std::string(buf, static_cast<std::size_t>(n)) == target_)
            ::unlink(path_.c_str());
    }

  private:
    std::string path_, target_;
    bool published_ = false;
};

struct Scheduled {
    Clock::time_point due;
    std::string bytes;
    bool hangUp;
};

class Server {
  public:
    // Closes `master` (and sets it to -1) when the line hangs up.
    Server(int& master, tz::sim::Instrument& model, const tz::sim::Options& options,
           const sigset_t& waitMask)
        : master_(master), model_(model), once_(options.once), silentAfter_(options.silentAfter),
          silentFor_(options.silentFor), waitMask_(waitMask) {}

    // Returns the exit status.
    int run() {
        while (!gStop) {
            release(Clock::now());
            // The endless fault: the line never falls silent and never ends
            // the reply, for as long as the host holds the port.
            if (flooding_ && out_.size() < 4096) out_.append(4096, '0' + (floods_++ % 10));
            if (!flush()) return 1;
            if (hangUpNow_ && out_.empty()) {
                // Bytes the host has not read yet are lost when the master
                // closes; give it time to take them, as a UART would have.
                nap(kLingerMs);
                ::close(master_);
                master_ = -1;
                complain("hung up after " + std::to_string(model_.bytesSent()) + " bytes");
                return 0;
            }

            // A pty master reports POLLHUP for as long as nobody holds the
            // port open; it cannot be waited on then, so look again later.
            if (!hostPresent()) {
                if (hostSeen_) {
                    if (once_) return 0;
                    hostSeen_ = false;
                    queue_.clear();
                    out_.clear();
                    flooding_ = false;
                }
                nap(100);
                continue;
            }
            hostSeen_ = true;

            pollfd p{master_, static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0};
            timespec limit{}, *timeout = nullptr;
            if (!queue_.empty()) {
                const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(
                    queue_.front().due - Clock::now());
                const long long ns = wait.count() > 0 ? wait.count() : 0;
                limit.tv_sec = static_cast<time_t>(ns / 1000000000);
                limit.tv_nsec = static_cast<long>(ns % 1000000000);
                timeout = &limit;
            }
            const int r = ::ppoll(&p, 1, timeout, &waitMask_);
            if (r < 0) {
                if (errno == EINTR) continue;
                complain(lastError("poll"));
                return 1;
            }
            if (p.revents & POLLIN) receive();
        }
        return 0;
    }

  private:
    bool hostPresent() {
        pollfd p{master_, POLLIN, 0};
        return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
    }

    void nap(int ms) {
        timespec t{ms / 1000, (ms % 1000) * 1000000L};
        ::ppoll(nullptr, 0, &t, &waitMask_);
    }

    void receive() {
        char buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) return; // EIO: the host has just closed the port
        const std::size_t before = model_.commands();
        // A meter switched off hears nothing: its model is not fed, so the
        // bytes it would have said count for no hang-up.
        if (silenced(Clock::now())) return;
        auto pieces = model_.feed(std::string_view(buf, static_cast<std::size_t>(n)));
        // A new command interrupts the reply in progress, as it would on
        // the instrument, so a stopped download does not run into the next
        // transfer.
        if (model_.commands() != before) {
            queue_.clear();
            out_.clear();
            flooding_ = model_.config().fault == tz::sim::Fault::Endless;
        }
        auto due = Clock::now();
        if (!queue_.empty()) due = queue_.back().due;
        for (auto& piece : pieces) {
            due += std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(piece.delay));
            queue_.push_back({due, std::move(piece.bytes), piece.hangUp});
        }
    }

    // The meter switched off for a while: once silentAfter_ commands have
    // been answered, what comes goes unheard until silentFor_ seconds have
    // passed; once.
    bool silenced(Clock::time_point now) {
        if (silentAfter_ < 0 || static_cast<long>(model_.commands()) < silentAfter_) return false;
        if (!silenceStarted_) {
            silenceStarted_ = true;
            silenceStart_ = now;
            complain("falls silent after " + std::to_string(silentAfter_) + " commands");
        }
        return now - silenceStart_ < std::chrono::duration<double>(silentFor_);
    }

    void release(Clock::time_point now) {
        while (!queue_.empty() && queue_.front().due <= now) {
            out_ += queue_.front().bytes;
            const bool hangUp = queue_.front().hangUp;
            queue_.pop_front();
            if (hangUp) {
                hangUpNow_ = true;
                queue_.clear();
            }
        }
    }

    bool flush() {
        while (!out_.empty()) {
            const ssize_t n = ::write(master_, out_.data(), out_.size());
            if (n > 0) {
                out_.erase(0, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true; // host is slow
            if (n < 0 && errno == EIO) { // nobody holds the port open
                out_.clear();
                return true;
            }
            complain(lastError("write"));
            return false;
        }
        return true;
    }

    int& master_;
    tz::sim::Instrument& model_;
    bool once_;
    long silentAfter_;
    double silentFor_;
    bool silenceStarted_ = false;
    Clock::time_point silenceStart_{};
    sigset_t waitMask_;
    std::deque<Scheduled> queue_;
    std::string out_;
    bool hostSeen_ = false;
    bool hangUpNow_ = false;
    bool flooding_ = false;
    unsigned floods_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    const auto parsed = tz::sim::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok()) {
        complain(parsed.error);
        std::fprintf(stderr, "Try 'tidewell-sim --help'.\n");
        return 2;
    }
    const tz::sim::Options& options = parsed.options;
    if (options.help) {
        std::fputs(tz::sim::usageText().c_str(), stdout);
        return 0;
    }

    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string folder =
        tz::sim::portLinkDir(options.linkDir, xdg ? xdg : "", home ? home : "");
    if (folder.empty()) {
        complain("neither XDG_CONFIG_HOME nor HOME is set; use --link-dir");
        return 1;
    }
    if (!makeFolders(folder)) return 1;

    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        complain(lastError("cannot open a pseudo-terminal"));
        return 1;
    }
    termios raw{};
    if (::tcgetattr(slave, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
    }
    const char* name = ::ttyname(slave);
    const std::string device = name ? name : "";
    // The program opens the line itself; holding the slave here would hide
    // the moment it closes the port.
    ::close(slave);
    if (device.empty()) {
        complain("the pseudo-terminal has no name");
        return 1;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);

    // Signals are held back except while waiting, so none slips in between
    // the stop check and the wait.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGHUP);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(s, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    const std::string portName = "COM" + std::to_string(options.port);
    PortLink link(folder + "/" + portName, device);
    if (!link.publish()) {
        ::close(master);
        return 1;
    }
    std::printf("tidewell-sim: %s -> %s\n", portName.c_str(), device.c_str());
    std::fflush(stdout);

    tz::sim::Instrument model(options.model);
    Server server(master, model, options, waitMask);
    const int status = server.run();
    link.remove();
    if (master >= 0) ::close(master);
    return status;
}
