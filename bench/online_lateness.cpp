// How late on-line polls start against their due time, and what the
// program costs while it waits between polls.
//
// Runs the real on-line transfer with the Qt host, timer and serial port
// against the instrument model served on a pseudo-terminal in this
// process, published as COM1 through a private XDG_CONFIG_HOME. Prints the
// lateness of every poll after the first (median, p99, max) and the CPU
// time used while waiting, per minute of waiting.
//
// Also prints the gap beyond the interval: from the end of a poll's reply to
// the start of the next poll, less the interval. The row's write, its way
// to the disk and the timer's lateness all show there.
//
//   online_lateness [--polls N] [--interval hhmmss] [--fine-clock]
//                   [--disk-writer] [--dir DIR]
//
// Defaults: 30 polls at 00:00:02, the document in a fresh folder under
// /var/tmp (on the disk, not in memory). QtHost reads the time of day to
// the microsecond; --fine-clock runs the same with the bench's own
// microsecond clock, to tell the host clock from the timer's own lateness.
// --disk-writer runs another process beside the transfer that writes a big
// file into the same folder and syncs it, again and again, as a busy disk.
#include "backends/qt/qt_host.h"
#include "backends/qt/qt_serial_control.h"
#include "backends/qt/qt_timer.h"
#include "fake_views.h"
#include "instrument.h"
#include "online/online_transfer.h"
#include "poll_request.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Steady = std::chrono::steady_clock;

double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Local time as seconds since 1970-01-01 local midnight, to the microsecond:
// the same scale as the transfer's day number and time of day.
double localNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const double utc = std::chrono::duration<double>(now.time_since_epoch()).count();
    return utc + static_cast<double>(tm.tm_gmtoff);
}

class FineClockHost : public tz::QtHost {
  public:
    tz::DayNumber today() override {
        return static_cast<tz::DayNumber>(std::floor(localNow() / 86400.0));
    }
    double secondsSinceMidnight() override {
        const double now = localNow();
        return now - std::floor(now / 86400.0) * 86400.0;
    }
};

// The instrument model answering on the master side of a pseudo-terminal.
class PtyInstrument {
  public:
    bool open() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return false;
        slaveName_ = ptsname(master_);
        // Held open so that the line never hangs up between the program's
        // open and close; raw, so that CR stays CR.
        slave_ = ::open(slaveName_.c_str(), O_RDWR | O_NOCTTY);
        if (slave_ < 0) return false;
        termios tio{};
        tcgetattr(slave_, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave_, TCSANOW, &tio);
        thread_ = std::thread([this] { serve(); });
        return true;
    }
    ~PtyInstrument() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }
    const std::string& slaveName() const { return slaveName_; }

  private:
    struct Due {
        Steady::time_point at;
        std::string bytes;
    };

    void serve() {
        std::deque<Due> out;
        char buf[512];
        while (!stop_) {
            // Asleep while idle, so that the figures below are the program's.
            int timeout = 200;
            if (!out.empty()) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    out.front().at - Steady::now());
                timeout = static_cast<int>(std::clamp<long long>(left.count() + 1, 0, 200));
            }
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, timeout) > 0 && (p.revents & POLLIN)) {
                const ssize_t n = ::read(master_, buf, sizeof buf);
                if (n > 0) {
                    auto t = Steady::now();
                    for (const auto& piece :
                         model_.feed(std::string(buf, static_cast<size_t>(n)))) {
                        t += std::chrono::duration_cast<Steady::duration>(
                            std::chrono::duration<double>(piece.delay));
                        out.push_back({t, piece.bytes});
                    }
                }
            }
            while (!out.empty() && out.front().at <= Steady::now()) {
                const std::string& b = out.front().bytes;
                if (::write(master_, b.data(), b.size()) < 0) break;
                out.pop_front();
            }
        }
    }

    tz::sim::Instrument model_;
    int master_ = -1, slave_ = -1;
    std::string slaveName_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// Another program that keeps the disk busy: writes 1 MiB blocks into a file
// beside the document and syncs every 8 MiB, starting over at 256 MiB.
class DiskWriter {
  public:
    struct Stats {
        std::atomic<long> syncs{0};
        std::atomic<long> syncMicros{0};
        std::atomic<long> maxSyncMicros{0};
    };

    explicit DiskWriter(const std::filesystem::path& file) {
        void* shared =
            mmap(nullptr, sizeof(Stats), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (shared == MAP_FAILED) return;
        stats_ = new (shared) Stats;
        pid_ = fork();
        if (pid_ == 0) run(file);
    }
    ~DiskWriter() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (stats_) munmap(stats_, sizeof(Stats));
    }
    bool running() const { return pid_ > 0; }
    const Stats& stats() const { return *stats_; }

  private:
    [[noreturn]] void run(const std::filesystem::path& file) {
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) _exit(1);
        std::vector<char> block(1 << 20, 'x');
        for (long written = 0;; ++written) {
            if (written % 256 == 0) ::lseek(fd, 0, SEEK_SET);
            if (::write(fd, block.data(), block.size()) < 0) _exit(1);
            if (written % 8 == 7) {
                const auto t0 = Steady::now();
                ::fsync(fd);
                const long us = static_cast<long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - t0)
                        .count());
                ++stats_->syncs;
                stats_->syncMicros += us;
                if (us > stats_->maxSyncMicros) stats_->maxSyncMicros = us;
            }
        }
    }

    pid_t pid_ = -1;
    Stats* stats_ = nullptr;
};

// The Qt serial control, with the moments that matter to the measurement:
// a poll starts with its Output, its reply has come with the last Input
// that gave characters, and the poll ends with the discard of the buffer.
class TimedSerial : public tz::SerialControl {
  public:
    std::function<void()> onPollStart, onPollEnd;
    double lastInputAt = 0; // localNow() of the last Input that gave characters
    explicit TimedSerial(tz::SerialControl& port) : port_(port) {}

    void setCommPort(int p) override { port_.setCommPort(p); }
    void setSettings(const std::string& s) override { port_.setSettings(s); }
    void setParityReplace(const std::string& t) override { port_.setParityReplace(t); }
    void setNullDiscard(bool on) override { port_.setNullDiscard(on); }
    void setInBufferSize(int b) override { port_.setInBufferSize(b); }
    int inBufferSize() const override { return port_.inBufferSize(); }
    void setInputLen(int c) override { port_.setInputLen(c); }
    void setPortOpen(bool o) override { port_.setPortOpen(o); }
    bool portOpen() const override { return port_.portOpen(); }
    void output(const std::string& text) override {
        if (onPollStart) onPollStart();
        port_.output(text);
    }
    std::string input() override {
        std::string chars = port_.input();
        if (!chars.empty()) lastInputAt = localNow();
        return chars;
    }
    int inBufferCount() override { return port_.inBufferCount(); }
    void clearInBuffer() override {
        port_.clearInBuffer();
        if (onPollEnd) onPollEnd();
    }

  private:
    tz::SerialControl& port_;
};

// The Qt timer, with the moment its shot reaches the transfer.
class TimedTimer : public tz::Timer {
  public:
    double firedAt = 0; // localNow() of the last shot
    explicit TimedTimer(tz::Timer& timer) : timer_(timer) {}
    void setCallback(std::function<void()> cb) override {
        timer_.setCallback([this, cb = std::move(cb)] {
            firedAt = localNow();
            if (cb) cb();
        });
    }
    void startIn(double seconds) override { timer_.startIn(seconds); }
    void stop() override { timer_.stop(); }

  private:
    tz::Timer& timer_;
};

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    const auto rank =
        static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

} // namespace

int main(int argc, char** argv) {
    int polls = 30;
    std::string digits = "000002";
    bool fineClock = false, diskWriter = false;
    std::string base = "/var/tmp";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--polls" && i + 1 < argc)
            polls = std::max(2, std::atoi(argv[++i]));
        else if (a == "--interval" && i + 1 < argc)
            digits = argv[++i];
        else if (a == "--fine-clock")
            fineClock = true;
        else if (a == "--disk-writer")
            diskWriter = true;
        else if (a == "--dir" && i + 1 < argc)
            base = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: %s [--polls N] [--interval hhmmss] [--fine-clock] "
                         "[--disk-writer] [--dir DIR]\n",
                         argv[0]);
            return 2;
        }
    }

    std::string tmpl = base + "/tz-online-bench-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path dir = tmpl;
    std::unique_ptr<DiskWriter> writer;
    if (diskWriter) {
        writer = std::make_unique<DiskWriter>(dir / "busy-disk.bin");
        if (!writer->running()) {
            std::perror("disk writer");
            return 1;
        }
    }
    PtyInstrument instrument;
    if (!instrument.open()) {
        std::perror("pseudo-terminal");
        return 1;
    }
    std::filesystem::create_directories(dir / "tidewell-z" / "ports");
    std::filesystem::create_symlink(instrument.slaveName(), dir / "tidewell-z" / "ports" / "COM1");
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);

    QCoreApplication app(argc, argv);
    tz::QtHost qtHost;
    FineClockHost fineHost;
    tz::QtHost& host = fineClock ? fineHost : qtHost;
    int failures = 0;
    host.setMessageBoxHook([&](const std::string& text, const std::string&) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++failures;
        app.quit();
    });
    tz::QtSerialControl qtPort;
    TimedSerial port(qtPort);
    tz::QtTimer qtTimer;
    TimedTimer timer(qtTimer);
    const tz::OnlineRequest request =
        tz::fake::csvPolling((dir / "bench.csv").string(), "Flow", digits);
    tz::fake::FakeOnlineView view;
    tz::StopFlag stop;
    tz::OnlineTransfer transfer(host, port, view, timer, stop);

    std::vector<double> lateMs, lateEndMs, shotMs, pathMs, gapMs, writeMs;
    double endLocal = 0, replyEndLocal = 0;
    double waitWall = 0, waitCpuSelf = 0, waitCpuMain = 0;
    Steady::time_point endWall{};
    double endCpuSelf = 0, endCpuMain = 0;
    int ended = 0;
    port.onPollStart = [&] {
        const auto& s = transfer.schedule();
        if (s.firstPoll) return;
        const double due = static_cast<double>(s.nextPollDate) * 86400.0 + s.nextPollTime;
        const double now = localNow();
        lateMs.push_back((now - due) * 1000.0);
        lateEndMs.push_back((now - endLocal - s.pollInterval) * 1000.0);
        gapMs.push_back((now - replyEndLocal - s.pollInterval) * 1000.0);
        shotMs.push_back((timer.firedAt - due) * 1000.0);
        pathMs.push_back((now - timer.firedAt) * 1000.0);
        waitWall += std::chrono::duration<double>(Steady::now() - endWall).count();
        waitCpuSelf += cpuSeconds(RUSAGE_SELF) - endCpuSelf;
        waitCpuMain += cpuSeconds(RUSAGE_THREAD) - endCpuMain;
    };
    port.onPollEnd = [&] {
        endLocal = localNow();
        replyEndLocal = port.lastInputAt;
        writeMs.push_back((endLocal - replyEndLocal) * 1000.0);
        endWall = Steady::now();
        endCpuSelf = cpuSeconds(RUSAGE_SELF);
        endCpuMain = cpuSeconds(RUSAGE_THREAD);
        if (++ended == polls)
            QTimer::singleShot(0, &app, [&] {
                transfer.stopXfer();
                app.quit();
            });
    };

    std::printf("on-line polls: %d at interval %s against the instrument model on %s, %s clock\n"
                "document in %s, %s\n",
                polls, digits.c_str(), instrument.slaveName().c_str(),
                fineClock ? "the bench's own microsecond" : "QtHost's", dir.c_str(),
                diskWriter ? "another process writing and syncing a big file beside it"
                           : "no other disk writer");
    std::fflush(stdout);
    transfer.start(request);
    if (!transfer.running()) {
        std::fprintf(stderr, "the transfer did not start\n");
        return 1;
    }
    app.exec();
    if (writer) {
        const auto& w = writer->stats();
        const long n = w.syncs;
        std::printf("disk writer: %ld syncs of 8 MiB, mean %.1f ms, max %.1f ms\n", n,
                    n ? static_cast<double>(w.syncMicros) / 1e3 / static_cast<double>(n) : 0.0,
                    static_cast<double>(w.maxSyncMicros) / 1e3);
        writer.reset();
    }
    std::filesystem::remove_all(dir);
    if (failures || lateMs.empty()) {
        std::fprintf(stderr, "the transfer ended early after %d polls\n", ended);
        return 1;
    }

    const double maxLate = *std::max_element(lateMs.begin(), lateMs.end());
    const double minLate = *std::min_element(lateMs.begin(), lateMs.end());
    if (std::getenv("TZ_BENCH_ALL")) {
        for (double l : lateMs)
            std::printf("%.3f ", l);
        std::printf("\n");
    }
    std::printf("lateness of poll start against its due time (%zu polls):\n", lateMs.size());
    std::printf("  median %.3f ms   p99 %.3f ms   max %.3f ms   min %.3f ms\n",
                percentile(lateMs, 50), percentile(lateMs, 99), maxLate, minLate);
    std::printf("poll start against the exact end of the previous poll plus the interval\n"
                "(free of the host clock's own steps in the due time):\n");
    std::printf("  median %.3f ms   p99 %.3f ms   max %.3f ms\n", percentile(lateEndMs, 50),
                percentile(lateEndMs, 99), *std::max_element(lateEndMs.begin(), lateEndMs.end()));
    std::printf("gap beyond the interval: from the end of a poll's reply to the next poll's\n"
                "start, less the interval (the row's write and sync, and the timer):\n");
    std::printf("  median %.3f ms   p99 %.3f ms   max %.3f ms\n", percentile(gapMs, 50),
                percentile(gapMs, 99), *std::max_element(gapMs.begin(), gapMs.end()));
    std::printf("  of it, reply's end to the poll's end (the row's write, and its sync\n"
                "  where that runs in the poll)   median %.3f ms   p99 %.3f ms   max %.3f ms\n",
                percentile(writeMs, 50), percentile(writeMs, 99),
                *std::max_element(writeMs.begin(), writeMs.end()));
    std::printf("split: timer shot against the due time   median %.3f ms   p99 %.3f ms\n"
                "       shot to the poll's Output          median %.3f ms   p99 %.3f ms\n",
                percentile(shotMs, 50), percentile(shotMs, 99), percentile(pathMs, 50),
                percentile(pathMs, 99));
    std::printf("waiting between polls: %.1f s\n", waitWall);
    std::printf("  CPU while waiting, whole process: %.1f ms per minute (%.3f %% of one core)\n",
                waitCpuSelf / waitWall * 60e3, waitCpuSelf / waitWall * 100);
    std::printf("  CPU while waiting, window thread: %.1f ms per minute (%.3f %% of one core)\n",
                waitCpuMain / waitWall * 60e3, waitCpuMain / waitWall * 100);
    return 0;
}
