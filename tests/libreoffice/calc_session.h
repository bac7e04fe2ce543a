#pragma once
// A real LibreOffice for one test: headless, with a fresh profile and a
// pipe name of its own, shut down cleanly at the end, and no soffice
// process of this session left behind whatever happens.
#include "backends/libreoffice/uno_runtime.h"
#include "test_support.h"

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include <chrono>
#include <memory>
#include <string>
#include <sys/types.h>

namespace tz::test {

namespace css = ::com::sun::star;

class CalcSession {
  public:
    enum class Start { Now, NowVisible, ByTheProgram };
    // Now: start a headless soffice here. NowVisible: one with windows, on
    // the DISPLAY of the moment; only such an office takes documents handed
    // to it by a later soffice call. ByTheProgram: only prepare profile,
    // pipe and environment (TZ_SOFFICE_ARGS, TZ_UNO_PIPE), so that the code
    // under test starts the office itself.
    explicit CalcSession(Start start = Start::Now);
    ~CalcSession();
    CalcSession(const CalcSession&) = delete;
    CalcSession& operator=(const CalcSession&) = delete;

    const std::string& pipe() const { return pipe_; }
    const TempDir& dir() const { return dir_; }
    // Connected desktop, waiting up to `seconds` for the office.
    css::uno::Reference<css::frame::XDesktop2> desktop(double seconds = 60);

    // A new spreadsheet document, stored at `path` and left loaded (hidden).
    css::uno::Reference<css::lang::XComponent> createSpreadsheet(const std::string& path);
    // An Excel 97 workbook, stored at `path` and left loaded (hidden).
    css::uno::Reference<css::lang::XComponent> createWorkbook(const std::string& path);
    // Load a stored document hidden.
    css::uno::Reference<css::lang::XComponent> load(const std::string& path);
    // The document the office holds for `path`; null when none.
    css::uno::Reference<css::lang::XComponent> loaded(const std::string& path);
    static void store(const css::uno::Reference<css::lang::XComponent>& doc);
    static void close(const css::uno::Reference<css::lang::XComponent>& doc);
    static css::uno::Reference<css::sheet::XSpreadsheet>
    sheet(const css::uno::Reference<css::lang::XComponent>& doc, int index = 0);

    // Close every document the office holds.
    void closeAll();
    // Close every document, terminate the office, wait for it, and kill
    // what is left of this session's processes.
    void shutdown();
    // Kill the office at once, as a crash would.
    void kill();
    // Process ids of soffice processes that use this session's profile.
    std::vector<pid_t> processes() const;

  private:
    css::uno::Reference<css::lang::XComponent> create(const char* factory, const std::string& path,
                                                      const char* filter);
    void startGuard();
    void stopGuard();
    void killSessionProcesses();
    void removeSockets(const std::vector<std::string>& paths);
    std::vector<std::string> socketsOf(const std::vector<pid_t>& pids) const;

    TempDir dir_;
    std::string profileUrl_;
    std::string pipe_;
    pid_t launcher_ = 0;
    pid_t guard_ = 0;
    int guardPipe_ = -1;
    std::unique_ptr<ScopedEnv> args_, pipeEnv_;
    css::uno::Reference<css::frame::XDesktop2> desktop_;
    bool down_ = false;
    std::chrono::steady_clock::time_point started_;
};

// The office shared by the tests of one run, started at first use and shut
// down (and checked for leftovers) when the run ends.
CalcSession& sharedCalc();

// One cell read back: its kind and contents.
struct CellRead {
    enum Kind { Empty, Value, Text, Formula } kind;
    double value;
    std::string text;
};
CellRead readCell(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet, int row, int col);

} // namespace tz::test
