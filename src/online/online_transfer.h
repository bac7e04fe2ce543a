#pragma once
// The on-line data transfer of one window: interval entry check, start,
// timed polls and stop.
#include "app/globals.h"
#include "online/poll_schedule.h"
#include "platform/host.h"
#include "platform/serial_control.h"
#include "platform/views.h"
#include "sheet/document_link.h"

#include <memory>

namespace tz {

inline constexpr const char* kParameterNotAppointed = "Parameter is not appointed.";
inline constexpr const char* kPortIsBad = "232Port is bad";

class OnlineTransfer {
  public:
    // The timer must outlive the transfer; the transfer owns its callback.
    OnlineTransfer(Globals& globals, Host& host, SerialControl& port, OnlineView& view,
                   Timer& timer, DocumentLink& sheet);
    ~OnlineTransfer();
    OnlineTransfer(const OnlineTransfer&) = delete;
    OnlineTransfer& operator=(const OnlineTransfer&) = delete;

    void checkEntry(); // the operator edited the interval entry
    void start();      // "Start Transfer!"
    void stopXfer();   // "Stop Xfer", and the way out of an abandoned start
    void closeFiles(); // the window's closing step
    bool running() const;

    // Rows written so far, the header row included.
    long long rowCount() const;
    const PollSchedule& schedule() const;
    bool pollInProgress() const;
    bool csvFileOpen() const;

    static constexpr double kFirstTickSeconds = 0.010;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

} // namespace tz
