#pragma once
// The logger data transfer of one window: query, download and records.
#include "platform/host.h"
#include "platform/serial_control.h"
#include "platform/shell.h"
#include "platform/stop_flag.h"
#include "platform/views.h"
#include "sheet/document_link.h"

#include <array>
#include <memory>
#include <string>

namespace tz {

inline constexpr const char* kLoggerNotAppointed = "Logger data are not appointed.";
inline constexpr const char* kWorkFileName = "Work.csv";
// What the result line says of a transfer that "Stop Xfer" ended.
inline constexpr const char* kLoggerStopped = "Stopped";

// What the operator chose when pressing "Start Transfer!".
struct LoggerRequest {
    int portNo = 0;                // COM1 is 1; 0 when no port is selected
    std::string lineSettings;      // "9600,N,8,1"
    bool toWorkbook = true;        // the sets go to the linked workbook, else to CSV
    std::array<bool, 21> ticked{}; // logger data sets 1..20 to download
    std::string documentPath;
    // Holds the work file of a CSV download: the program folder, or the
    // settings folder of an installed copy, whose program folder is not
    // writable.
    std::string workFolder;
    WindowHandle owner = 0;
};

class LoggerTransfer {
  public:
    // `stop` is the window's "Stop Xfer" flag, shared with the document link.
    LoggerTransfer(Host& host, SerialControl& port, LoggerView& view, DocumentLink& sheet,
                   StopFlag& stop);
    ~LoggerTransfer();
    LoggerTransfer(const LoggerTransfer&) = delete;
    LoggerTransfer& operator=(const LoggerTransfer&) = delete;

    void start(const LoggerRequest& request); // "Start Transfer!"; runs the whole transfer
    void stopXfer();                          // "Stop Xfer"
    void closeFiles();                        // close every file this transfer holds open
    bool running() const;
    // What ended the last transfer before its end (kLoggerStopped, or the
    // message shown); empty when it ran to its end.
    const std::string& endReason() const;

    // Window-level state that outlives a transfer.
    // The next free output column: where a further set would start.
    int nextCol() const;
    // What the last query of set n (1..20) said: the set holds data.
    bool loggerHasData(int set) const;

    // A set number in commands and messages: two digits, "03".
    static std::string setNumber(int set);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tz
