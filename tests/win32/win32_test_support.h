#pragma once
// Helpers of the Windows tests: the fake spreadsheet server, its log,
// windows with given titles, scratch folders, and a host on the real clock.
#include "platform/host.h"
#include "scratch.h"

#include <windows.h>

#include <string>
#include <vector>

namespace tz::test {

// The folder of the running test program, with a final "\".
std::string programFolder();
std::string fakeExcelPath();

// Events the fake server logged, one a line ("POKE\t<topic>\t<item>\t<data>").
class ServerLog {
  public:
    ServerLog(); // a fresh, empty log file in the temporary folder
    ~ServerLog();
    const std::string& path() const { return path_; }
    std::vector<std::string> lines() const;
    // Only the lines that begin with `kind` followed by a tab (or are it).
    std::vector<std::string> lines(const std::string& kind) const;
    // Waits, pumping this thread's messages, until a line of `kind` exists.
    bool waitFor(const std::string& kind, int timeoutMs = 15000) const;
    // Ends every server that logged its start here (also on destruction).
    void stopServers() const;

  private:
    std::string path_;
};

// A fake spreadsheet server started directly by a test.
class FakeExcel {
  public:
    FakeExcel(const ServerLog& log, const std::vector<std::string>& args);
    ~FakeExcel();
    FakeExcel(const FakeExcel&) = delete;
    FakeExcel& operator=(const FakeExcel&) = delete;
    // Waits until the server has registered its DDE name.
    bool waitReady() const { return log_.waitFor("READY"); }
    // Closes the server's window and waits for the process to end.
    void stop();

  private:
    const ServerLog& log_;
    PROCESS_INFORMATION process_{};
};

// Ends every fake server still running, however it was started.
void stopAllFakeExcel();

// Settings handed through the environment to a server that the shell
// starts; removed again on destruction.
class FakeExcelEnvironment {
  public:
    FakeExcelEnvironment(const ServerLog& log, unsigned delayMs = 0);
    ~FakeExcelEnvironment();
};

// ".xls" opens with the fake server (under HKLM\Software\Classes, where
// Wine's shell looks). Returns an explanation when it cannot be arranged;
// a shell open without an association would hang on an invisible box.
std::string ensureXlsAssociation();

// A visible top-level window of this thread with the given title.
class TitledWindow {
  public:
    explicit TitledWindow(const std::string& ansiTitle, bool visible = true);
    ~TitledWindow();
    TitledWindow(const TitledWindow&) = delete;
    TitledWindow& operator=(const TitledWindow&) = delete;
    HWND hwnd() const { return hwnd_; }

  private:
    HWND hwnd_ = nullptr;
};

// A folder of its own under the temporary folder, removed with its files.
class ScratchFolder {
  public:
    ScratchFolder();
    const std::string& path() const { return path_; } // ends in "\"
    // Creates a file with a little content and returns its full path.
    std::string touch(const std::string& name) const;

  private:
    test::TempDir dir_{"tz_win32"};
    std::string path_;
};

// Runs this thread's pending messages.
void pumpMessages();

// A host on the real clock: sleeps really sleep and the pump runs the
// thread's messages; message boxes are recorded, never shown.
class RealHost : public Host {
  public:
    void pumpEvents() override { pumpMessages(); }
    void sleepMs(int ms) override {
        sleptMs += ms;
        Sleep(static_cast<DWORD>(ms));
    }
    DayNumber today() override;
    double secondsSinceMidnight() override;
    std::string timeOfDayText() override;
    WallClock wallClock() override { return {}; }
    void messageBox(const std::string& text, const std::string& title) override {
        messages.push_back({text, title});
    }

    struct Message {
        std::string text, title;
    };
    std::vector<Message> messages;
    long sleptMs = 0;
};

} // namespace tz::test
