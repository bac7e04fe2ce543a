#pragma once
// The logger data transfer of one window: query, download and records.
#include "app/globals.h"
#include "platform/host.h"
#include "platform/serial_control.h"
#include "platform/views.h"
#include "sheet/document_link.h"

namespace tz {

class LoggerTransfer {
public:
    LoggerTransfer(Globals& globals, Host& host, SerialControl& port, LoggerView& view,
                   DocumentLink& sheet);
    ~LoggerTransfer();

    void start();       // "Start Transfer!"; runs the whole transfer
    void stopXfer();    // "Stop Xfer"
    void closeFiles();  // close every file this transfer holds open
    bool running() const;

private:
    struct Impl;
    Impl* impl_;
};

} // namespace tz
