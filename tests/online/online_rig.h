#pragma once
// An on-line data window on the virtual clock: fake host, timer, serial
// line, view and spreadsheet side around the real transfer logic, and a
// scripted instrument that answers each command after a delay.
#include "fake_host.h"
#include "fake_serial.h"
#include "fake_views.h"

#include "app/globals.h"
#include "online/online_transfer.h"
#include "sheet/document_link.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <unistd.h>

namespace tz::test {

// A fresh folder for one test's documents, removed afterwards. Prefers a
// memory file system: every CSV line is synced to disk.
class TempDir {
  public:
    TempDir() {
        namespace fs = std::filesystem;
        const fs::path base =
            fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        static int serial = 0;
        path_ = base / ("tz-online-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct OnlineRig {
    static constexpr DayNumber kDay = 20000;

    explicit OnlineRig(double startSeconds = 8 * 3600.0)
        : host(kDay, startSeconds), timer(host), serial(host), sheet(host, shell, link, stop),
          transfer(host, serial, view, timer, sheet, stop) {
        globals.CommSettings = "9600,E,7,1";
        globals.SaveFormat = 0;
        commands[1] = "DQ01";
        commands[13] = "DV";
        commands[14] = "DI+";
        commands[15] = "DI-";
        view.document = dir.file("Tidewell.csv");
        view.digits = "000002";
        sheet.retryPauseMs = 250;
        sheet.retryLimitSeconds = 60;
        serial.onOutput = [this](const std::string& cmd) { answer(cmd); };
    }

    // The instrument: every command gets `reply` after `replyDelay`
    // seconds; an empty reply means it stays silent.
    std::string reply = "+0012.345\r";
    double replyDelay = 0.25;
    std::function<std::string(const std::string&)> replyFor;

    void answer(const std::string& cmd) {
        const std::string r = replyFor ? replyFor(cmd) : reply;
        if (!r.empty()) serial.arriveIn(replyDelay, r);
    }

    // "Start Transfer!" with what the window shows now.
    OnlineRequest request() const {
        OnlineRequest r;
        r.portNo = view.portIndex + 1;
        r.lineSettings = globals.CommSettings;
        r.toWorkbook = globals.SaveFormat == 1;
        r.commands = commands;
        r.paramIndex = view.paramIndex;
        r.paramText = view.selectedParamText();
        r.intervalDigits = view.digits;
        r.documentPath = view.document;
        r.owner = view.handle;
        return r;
    }
    void start() { transfer.start(request()); }

    // Virtual time relative to the start of the test.
    double at(double offset) const { return t0 + offset; }
    double sinceStart(double absolute) const { return absolute - t0; }
    void runTo(double offset) { host.runUntil(t0 + offset); }

    std::string csv() const { return readFile(view.document); }

    TempDir dir;
    Globals globals;
    std::array<std::string, 21> commands{};
    StopFlag stop;
    fake::FakeHost host;
    fake::FakeTimer timer;
    fake::FakeSerial serial;
    fake::FakeOnlineView view;
    fake::FakeShell shell;
    fake::FakeSheetLink link;
    DocumentLink sheet;
    OnlineTransfer transfer;
    double t0 = host.now();
};

} // namespace tz::test
