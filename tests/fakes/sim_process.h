#pragma once
// Support for the tests that run the tidewell-sim program: a private
// configuration folder and the simulator as a child process. Qt test
// programs only.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "probes.h"
#include "scratch.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <signal.h>
#include <string>

namespace tz::fake {

// The simulator program the build made; empty when built without it, and
// then the tests that need it skip.
#ifdef TZ_SIM_PATH
inline constexpr const char* kSimPath = TZ_SIM_PATH;
#else
inline constexpr const char* kSimPath = "";
#endif

// The tidewell-z program itself, for the tests that run it whole; empty
// when the target was not given it.
#ifdef TZ_PROGRAM_PATH
inline constexpr const char* kProgramPath = TZ_PROGRAM_PATH;
#else
inline constexpr const char* kProgramPath = "";
#endif

// A scratch folder that is also XDG_CONFIG_HOME for its life, so that COMn
// means the simulator or link made by this test and nothing else.
class Workspace {
  public:
    explicit Workspace(const std::string& prefix) : dir_(prefix) {}

    const std::filesystem::path& root() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_.file(name); }
    // Where port COMn is published.
    std::filesystem::path link(int port) const {
        return root() / "tidewell-z" / "ports" / ("COM" + std::to_string(port));
    }

  private:
    test::TempDir dir_;
    test::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.path().string()};
};

// The simulator program as a child process with the workspace as
// its configuration folder; it is always stopped by the end. The first line
// it writes, "tidewell-sim: COMn -> /dev/pts/N", is its banner.
class Simulator {
  public:
    Simulator(const Workspace& home, const QStringList& args) {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(home.root().string()));
        process_.setProcessEnvironment(env);
        process_.start(QString::fromStdString(kSimPath), args);
        if (!process_.waitForStarted(5000)) return;
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        banner_ = process_.readLine().trimmed().toStdString();
    }
    ~Simulator() { stop(); }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    const std::string& banner() const { return banner_; }
    // The banner says that COM1 is published.
    bool ready() const { return banner_.find("COM1 -> ") != std::string::npos; }
    // The pseudo-terminal the banner names.
    std::string device() const {
        const auto at = banner_.find(" -> ");
        return at == std::string::npos ? std::string() : banner_.substr(at + 4);
    }
    bool running() const { return process_.state() != QProcess::NotRunning; }
    bool waitForExit(int ms) { return !running() || process_.waitForFinished(ms); }
    int exitCode() const { return process_.exitCode(); }
    bool exitedNormally() const { return process_.exitStatus() == QProcess::NormalExit; }

    void stop() {
        if (!running()) return;
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    // SIGKILL, so that it cannot clean up after itself.
    void killHard() {
        ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
        process_.waitForFinished(3000);
    }

  private:
    QProcess process_;
    std::string banner_;
};

} // namespace tz::fake
