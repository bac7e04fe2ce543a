#pragma once
// The on-line data transfer of one window: interval entry check, start,
// timed polls and stop. Each poll makes one finished row and hands it to
// the sinks the run was started with (see row_sink.h).
#include "link/serial_link.h"
#include "online/poll_schedule.h"
#include "online/run_sinks.h"
#include "platform/host.h"
#include "platform/serial_control.h"
#include "platform/shell.h"
#include "platform/stop_flag.h"
#include "platform/views.h"

#include <array>
#include <memory>
#include <string>

namespace tz {

inline constexpr const char* kParameterNotAppointed = "Parameter is not appointed.";

// What the operator chose when pressing "Start Transfer!".
struct OnlineRequest {
    int portNo = 0;           // COM1 is 1; 0 when no port is selected
    std::string lineSettings; // "9600,N,8,1"
    bool toWorkbook = true;   // the rows go to the linked workbook, else to CSV
    // The command of each parameter table entry (1..20), and the list
    // position selected at the start (-1 for none) with its text.
    std::array<std::string, 21> commands{};
    int paramIndex = -1;
    std::string paramText;
    std::string intervalDigits; // hhmmss without colons, unfilled places left out
    std::string documentPath;
    WindowHandle owner = 0;
    // Where the rows go, in this order; whoever starts the run assembles
    // them (a CSV document and the data monitor, or the workbook).
    RowSinks sinks;
};

class OnlineTransfer {
  public:
    // The timer must outlive the transfer; the transfer owns its callback.
    // `stop` is the window's "Stop Xfer" flag, shared with the document link.
    OnlineTransfer(Host& host, SerialControl& port, OnlineView& view, Timer& timer, StopFlag& stop);
    ~OnlineTransfer();
    OnlineTransfer(const OnlineTransfer&) = delete;
    OnlineTransfer& operator=(const OnlineTransfer&) = delete;

    void start(const OnlineRequest& request); // "Start Transfer!"
    void stopXfer();                          // "Stop Xfer", and the way out of an abandoned start
    void closeFiles();                        // the window's closing step: sinks end quietly
    bool running() const;

    // Rows written so far, the header row included.
    long long rowCount() const;
    const PollSchedule& schedule() const;
    // Sinks that began and have not been ended yet.
    bool sinksOpen() const;

    static constexpr double kFirstTickSeconds = 0.010;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

} // namespace tz
