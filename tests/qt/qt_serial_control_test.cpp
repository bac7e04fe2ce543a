#include "backends/qt/qt_serial_control.h"
#include "link/failure_report.h"

#include "platform/failure.h"

#include "probes.h"
#include "scratch.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tz {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A pseudo-terminal whose master side plays the instrument. The test keeps
// the slave side open too, so the line does not hang up between opens.
class Pty {
  public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        path_ = ptsname(master_);
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
    }
    ~Pty() {
        closeMaster();
        if (slave_ >= 0) ::close(slave_);
    }
    bool ok() const { return master_ >= 0 && slave_ >= 0; }
    const std::string& path() const { return path_; }

    void send(const std::string& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // What the control sent, waiting up to `within` for `count` bytes.
    std::string receive(std::size_t count, std::chrono::milliseconds within = 500ms) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + within;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 10) == 1 && (p.revents & POLLIN)) {
                char buf[256];
                const ssize_t n = ::read(master_, buf, sizeof buf);
                if (n > 0) got.append(buf, static_cast<std::size_t>(n));
            }
        }
        return got;
    }
    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

// Ports COMn are links in a private XDG_CONFIG_HOME for the test's life.
class PortFolder {
  public:
    PortFolder() {
        if (!home_.root().empty()) fs::create_directories(home_.root() / "tidewell-z" / "ports");
    }
    void link(int port, const fs::path& target) { fs::create_symlink(target, home_.link(port)); }
    fs::path linkOf(int port) const { return home_.link(port); }
    const fs::path& root() const { return home_.root(); }

  private:
    fake::Workspace home_{"tz-serial"};
};

// Repeats `probe` (which must not pump events) until it holds or time is up.
bool eventually(const std::function<bool()>& probe, std::chrono::milliseconds within = 500ms) {
    const auto end = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < end) {
        if (probe()) return true;
        std::this_thread::sleep_for(1ms);
    }
    return probe();
}

void pumpFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
}

// The failure `action` ends in; none when it succeeds.
std::optional<Failure> failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& f) {
        return f;
    }
    return std::nullopt;
}

using test::codeOf;

// A dropped line must read as lost, not as a port that was never open.
void expectLineLost(const std::optional<Failure>& f) {
    ASSERT_TRUE(f) << "the hang-up was not reported";
    EXPECT_EQ(f->code(), FailureCode::Other);
    EXPECT_NE(f->description().find("lost"), std::string::npos) << f->description();
}

class QtSerialControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok()) << "no pseudo-terminal available";
        ports.link(3, pty.path());
        port.setCommPort(3);
        port.setSettings("9600,N,8,1");
    }
    void open() {
        port.setPortOpen(true);
        ASSERT_TRUE(port.portOpen());
    }
    std::optional<FailureCode> openFailure(QtSerialControl& control) {
        const auto f = failureOf([&] { control.setPortOpen(true); });
        return f ? std::optional(f->code()) : std::nullopt;
    }
    // The instrument sends `bytes`; only the count runs meanwhile, no event
    // loop, so the count itself must read from the system.
    void arrive(const std::string& bytes, int count) {
        pty.send(bytes);
        EXPECT_TRUE(eventually([&] { return port.inBufferCount() == count; }));
    }

    Pty pty;
    PortFolder ports;
    QtSerialControl port;
};

// --- opening ---------------------------------------------------------------

TEST_F(QtSerialControlTest, OpensTheDeviceTheLinkPointsToAndAgainAfterAClose) {
    open();
    EXPECT_EQ(port.deviceName(), fs::canonical(pty.path()).string());
    port.setPortOpen(false);
    EXPECT_FALSE(port.portOpen());
    EXPECT_FALSE(port.deviceOpen());

    open();
    port.output("DT\r");
    EXPECT_EQ(pty.receive(3), "DT\r");
    arrive("ok\r", 3);
    EXPECT_EQ(port.input(), "ok\r");
}

TEST_F(QtSerialControlTest, MissingDeviceIsABadPortNumberAndNoTerminalCannotOpen) {
    const fs::path file = ports.root() / "plain.txt";
    std::ofstream(file) << "not a port\n";
    ports.link(4, ports.root() / "unplugged"); // dangling link
    ports.link(5, file);
    ports.link(6, "/dev/null");
    ports.link(7, ports.root()); // a folder
    const struct {
        int commPort;
        FailureCode code;
    } cases[] = {{4, FailureCode::InvalidPortNumber},
                 {0, FailureCode::InvalidPortNumber},
                 {5, FailureCode::DeviceNotOpen},
                 {6, FailureCode::DeviceNotOpen},
                 {7, FailureCode::DeviceNotOpen}};
    for (const auto& c : cases) {
        SCOPED_TRACE("COM" + std::to_string(c.commPort));
        port.setCommPort(c.commPort);
        EXPECT_EQ(openFailure(port), c.code);
        EXPECT_FALSE(port.portOpen());
    }
    // The message names the link and where it points.
    port.setCommPort(4);
    try {
        port.setPortOpen(true);
        ADD_FAILURE() << "opened";
    } catch (const Failure& f) {
        const Report r = reportFor(f);
        EXPECT_EQ(r.text, "232Port No. is bad\n" + ports.linkOf(4).string() + " is a link to " +
                              (ports.root() / "unplugged").string() +
                              ", which points nowhere (adapter unplugged, simulator ended?)");
    }
    // The file is untouched by the attempt.
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "not a port");
}

TEST_F(QtSerialControlTest, OpenPortRefusesASecondOpenAndKeepsWorking) {
    open();
    EXPECT_THROW(port.setPortOpen(true), Failure);
    EXPECT_TRUE(port.portOpen());
    EXPECT_TRUE(port.deviceOpen());

    QtSerialControl second;
    second.setCommPort(3);
    second.setSettings("9600,N,8,1");
    EXPECT_EQ(openFailure(second), FailureCode::DeviceNotOpen);
    EXPECT_FALSE(second.portOpen());

    port.output("DV\r");
    EXPECT_EQ(pty.receive(3), "DV\r");
}

TEST_F(QtSerialControlTest, SettingsAreCheckedWhenSetAndWhenTheDeviceOpens) {
    EXPECT_EQ(codeOf([&] { port.setSettings("9600,X,8,1"); }), FailureCode::InvalidPropertyValue);
    // Well formed, but no driver sends 4-bit characters.
    port.setSettings("9600,N,4,1");
    EXPECT_EQ(openFailure(port), FailureCode::InvalidPropertyValue);
    EXPECT_FALSE(port.portOpen());
    EXPECT_FALSE(port.deviceOpen());
}

TEST_F(QtSerialControlTest, SevenBitsEvenParityAreAppliedBeforeTheOpen) {
    // A pseudo-terminal refuses 7E1 once open, so the settings must go in
    // before the open for such a string to work.
    port.setSettings("19200,E,7,1");
    open();
    port.output("A\r");
    EXPECT_EQ(pty.receive(2), "A\r");
}

TEST_F(QtSerialControlTest, SettingsTheOpenDeviceRefusesAreABadSettingAndChangeNothing) {
    open();
    EXPECT_EQ(codeOf([&] { port.setSettings("9600,E,7,1"); }), FailureCode::InvalidPropertyValue)
        << "the pseudo-terminal accepted 7E1 while open";
    EXPECT_TRUE(port.portOpen());
    port.output("OK\r");
    EXPECT_EQ(pty.receive(3), "OK\r");
}
TEST(OpenErrorKinds, TheSecondLineNamesTheDeviceAndWhatToDo) {
    // A device that may be opened but is locked is busy; one that may not
    // names its group (root's group stands for the serial group).
    EXPECT_EQ(openFailureLine("/dev/null", "/dev/null", QSerialPort::PermissionError, "x"),
              "/dev/null: in use by another program");
    // A device of the group dialout (mode 660), as a user outside it sees
    // it: only root can take another user's part.
    const struct group* dialout = ::getgrnam("dialout");
    if (::geteuid() == 0 && dialout) {
        const test::TempDir dir("tz-denied");
        const std::string device = dir.file("ttyUSB0");
        test::writeFile(device, "");
        ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
        ASSERT_EQ(::chmod(device.c_str(), 0660), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
            const std::string line =
                openFailureLine(device, device, QSerialPort::PermissionError, "x");
            (void)!::write(out[1], line.data(), line.size());
            ::_exit(0);
        }
        ::close(out[1]);
        std::string line;
        char buf[512];
        for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
            line.append(buf, static_cast<std::size_t>(n));
        ::close(out[0]);
        ::waitpid(child, nullptr, 0);
        EXPECT_EQ(line, device + ": permission denied; add the user to the group dialout (sudo "
                                 "usermod -aG dialout $USER, then log in again)");
    }
    EXPECT_EQ(
        openFailureLine("/home/u/COM1", "/dev/ttyUSB0", QSerialPort::DeviceNotFoundError, "x"),
        "/home/u/COM1 (/dev/ttyUSB0): no such device");
    EXPECT_EQ(openFailureLine("/dev/ttyS0", "/dev/ttyS0", QSerialPort::OpenError, "busy"),
              "/dev/ttyS0: busy");
    EXPECT_EQ(missingDeviceLine("/dev/ttyUSB7"), "/dev/ttyUSB7: no such device");
}

TEST(OpenErrorKinds, MissingIsBadNumberBusyIsCannotOpenOthersAskTheDevice) {
    int probes = 0;
    const auto opens = [&] {
        ++probes;
        return true;
    };
    const auto refuses = [&] {
        ++probes;
        return false;
    };
    EXPECT_EQ(classifyOpenError(QSerialPort::DeviceNotFoundError, opens),
              FailureCode::InvalidPortNumber);
    EXPECT_EQ(classifyOpenError(QSerialPort::PermissionError, opens), FailureCode::DeviceNotOpen);
    EXPECT_EQ(classifyOpenError(QSerialPort::OpenError, opens), FailureCode::DeviceNotOpen);
    EXPECT_EQ(probes, 0) << "clear cases must not touch the device again";

    EXPECT_EQ(classifyOpenError(QSerialPort::UnsupportedOperationError, opens),
              FailureCode::InvalidPropertyValue);
    EXPECT_EQ(classifyOpenError(QSerialPort::UnsupportedOperationError, refuses),
              FailureCode::DeviceNotOpen);
    EXPECT_EQ(classifyOpenError(QSerialPort::UnknownError, opens),
              FailureCode::InvalidPropertyValue);
    EXPECT_EQ(classifyOpenError(QSerialPort::UnknownError, refuses), FailureCode::DeviceNotOpen);
    EXPECT_EQ(probes, 4);
    EXPECT_EQ(classifyOpenError(QSerialPort::UnknownError, nullptr), FailureCode::DeviceNotOpen);
}

// --- a closed port -----------------------------------------------------------

TEST_F(QtSerialControlTest, ClosedPortHasNothingWaitingAndRefusesInputAndOutput) {
    EXPECT_EQ(port.inBufferCount(), 0);
    EXPECT_NO_THROW(port.clearInBuffer());
    EXPECT_NO_THROW(port.setPortOpen(false));
    EXPECT_EQ(codeOf([&] { port.input(); }), FailureCode::DeviceNotOpen);
    EXPECT_EQ(codeOf([&] { port.output("DV\r"); }), FailureCode::DeviceNotOpen);
}

// --- bytes both ways ---------------------------------------------------------

TEST_F(QtSerialControlTest, OutputSendsEachCharacterAsOneLatin1Byte) {
    open();
    port.output("DQ01\r");
    EXPECT_EQ(pty.receive(5), "DQ01\r");
    port.output("\xC3\xA9\xC2\xB0\r"); // "é°"
    EXPECT_EQ(pty.receive(3), "\xE9\xB0\r");
    port.output("\xE2\x82\xAC\r"); // "€" has no Latin-1 byte
    EXPECT_EQ(pty.receive(2), "?\r");
}

TEST_F(QtSerialControlTest, BytesTheSystemHoldsAreCountedAsCharactersAndReadAsUtf8) {
    open();
    arrive("v=\xB5\xFF\xE9\r", 6);
    EXPECT_EQ(port.input(), "v=\xC2\xB5\xC3\xBF\xC3\xA9\r"); // "v=µÿé"
    EXPECT_EQ(port.inBufferCount(), 0);
    EXPECT_EQ(port.input(), "");
}

TEST_F(QtSerialControlTest, BytesArrivingWhileTheEventLoopRunsAreKept) {
    open();
    pty.send("ABC");
    pumpFor(30ms);
    pty.send("DEF\r");
    pumpFor(30ms);
    EXPECT_EQ(port.inBufferCount(), 7);
    EXPECT_EQ(port.input(), "ABCDEF\r");
}

TEST_F(QtSerialControlTest, NullDiscardDropsZeroBytesOnlyWhenOn) {
    open();
    arrive(std::string("a\0b\0\r", 5), 5);
    EXPECT_EQ(port.input(), std::string("a\0b\0\r", 5));

    port.setNullDiscard(true);
    arrive(std::string("\0c\0d\r\0", 6), 3);
    EXPECT_EQ(port.input(), "cd\r");
}

TEST_F(QtSerialControlTest, ClearInBufferDiscardsWhatWaitsAndLaterBytesStillCome) {
    open();
    arrive("stale", 5);
    port.clearInBuffer();
    EXPECT_EQ(port.inBufferCount(), 0);
    arrive("new\r", 4);
    EXPECT_EQ(port.input(), "new\r");
}

TEST_F(QtSerialControlTest, InputLenTakesAtMostThatManyCharacters) {
    open();
    port.setInputLen(2);
    arrive("\xE9"
           "bc",
           3);
    EXPECT_EQ(port.input(), "\xC3\xA9"
                            "b");
    EXPECT_EQ(port.input(), "c");
    port.setInputLen(0);
    arrive("def", 3);
    EXPECT_EQ(port.input(), "def");
}

TEST_F(QtSerialControlTest, ReceiveBufferKeepsMoreThanItsNominalSize) {
    port.setInBufferSize(64);
    open();
    EXPECT_EQ(port.inBufferSize(), 64);
    const std::string block(1000, 'x');
    arrive(block, 1000);
    EXPECT_EQ(port.input(), block);
}

// --- hang-up -----------------------------------------------------------------

TEST_F(QtSerialControlTest, HangUpDeliversEarlierBytesThenFailsOnceAndClosesThePort) {
    open();
    pty.send("12.");
    pumpFor(20ms);
    pty.closeMaster();
    pumpFor(20ms);
    // Closed at once by the event loop, before the logic asks anything.
    EXPECT_FALSE(port.deviceOpen());
    EXPECT_TRUE(port.portOpen());

    EXPECT_EQ(port.inBufferCount(), 3);
    EXPECT_EQ(port.input(), "12.");
    expectLineLost(failureOf([&] { port.inBufferCount(); }));
    EXPECT_FALSE(port.portOpen());
    // Reported once: afterwards it is an ordinary closed port.
    EXPECT_EQ(port.inBufferCount(), 0);
    EXPECT_EQ(codeOf([&] { port.input(); }), FailureCode::DeviceNotOpen);
    EXPECT_NO_THROW(port.setPortOpen(false));
}

TEST_F(QtSerialControlTest, HangUpSeenByTheCountItselfIsReportedAfterTheBytes) {
    open();
    arrive("AB", 2);
    pty.closeMaster();
    // No event loop runs: the count's own read finds the hang-up.
    EXPECT_TRUE(eventually([&] { return !port.deviceOpen() || port.inBufferCount() != 2; }));
    EXPECT_FALSE(port.deviceOpen());
    EXPECT_EQ(port.input(), "AB");
    EXPECT_THROW(port.input(), Failure);
    EXPECT_FALSE(port.portOpen());
}

TEST_F(QtSerialControlTest, OutputAfterHangUpReportsTheLoss) {
    open();
    pty.closeMaster();
    expectLineLost(failureOf([&] {
        port.output("DV\r");
        pumpFor(20ms);
        port.output("DV\r");
    }));
    EXPECT_FALSE(port.portOpen());
    EXPECT_FALSE(port.deviceOpen());
}

TEST_F(QtSerialControlTest, HungUpPortLeavesTheEventLoopIdle) {
    open();
    pty.closeMaster();
    pumpFor(10ms);
    ASSERT_FALSE(port.deviceOpen());

    // A hung-up port left open makes every pass of the loop fail again and
    // spins a core; closed, the loop sleeps.
    QEventLoop loop;
    QTimer::singleShot(150, &loop, &QEventLoop::quit);
    const std::clock_t before = std::clock();
    loop.exec();
    const double cpuSeconds = double(std::clock() - before) / CLOCKS_PER_SEC;
    EXPECT_LT(cpuSeconds, 0.05);
}

} // namespace
} // namespace tz
