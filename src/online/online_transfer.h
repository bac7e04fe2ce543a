#pragma once
// The on-line data transfer of one window: interval entry check, start,
// timed polls and stop.
#include "app/globals.h"
#include "platform/host.h"
#include "platform/serial_control.h"
#include "platform/views.h"
#include "sheet/document_link.h"

namespace tz {

class OnlineTransfer {
public:
    OnlineTransfer(Globals& globals, Host& host, SerialControl& port, OnlineView& view,
                   Timer& timer, DocumentLink& sheet);
    ~OnlineTransfer();

    void checkEntry();  // notification of txtTime about its content
    void start();       // "Start Transfer!"
    void stopXfer();    // "Stop Xfer", and the way out of an abandoned start
    void closeFiles();  // the window's closing step
    bool running() const;

private:
    struct Impl;
    Impl* impl_;
};

} // namespace tz
