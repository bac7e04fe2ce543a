#pragma once
// The logger data transfer of one window: query, download and records.
#include "app/globals.h"
#include "platform/host.h"
#include "platform/serial_control.h"
#include "platform/views.h"
#include "sheet/document_link.h"

#include <string>

namespace tz {

inline constexpr const char* kLoggerNotAppointed = "Logger data are not appointed.";
inline constexpr const char* kLoggerPortIsBad = "232Port is bad";
inline constexpr const char* kWorkFileName = "Work.csv";
// What the result line says of a transfer that "Stop Xfer" ended.
inline constexpr const char* kLoggerStopped = "Stopped";

class LoggerTransfer {
  public:
    LoggerTransfer(Globals& globals, Host& host, SerialControl& port, LoggerView& view,
                   DocumentLink& sheet);
    ~LoggerTransfer();
    LoggerTransfer(const LoggerTransfer&) = delete;
    LoggerTransfer& operator=(const LoggerTransfer&) = delete;

    void start();      // "Start Transfer!"; runs the whole transfer
    void stopXfer();   // "Stop Xfer"
    void closeFiles(); // close every file this transfer holds open
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
    Impl* impl_;
};

} // namespace tz
