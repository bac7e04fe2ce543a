#pragma once
// The window-level state of the on-line transfer, shared by the start
// (online_transfer.cpp) and the poll cycle (poll_cycle.cpp).
#include "online/online_transfer.h"
#include "online/poll_schedule.h"
#include "online/run_sinks.h"

#include <exception>
#include <string>

namespace tz {

struct OnlineTransfer::Impl {
    Impl(Host& h, SerialControl& p, OnlineView& v, Timer& t, StopFlag& f)
        : host(h), port(p), view(v), timer(t), stop(f),
          sinks([this](const std::exception& e) { report(e); }) {}

    Host& host;
    SerialControl& port;
    OnlineView& view;
    Timer& timer;
    StopFlag& stop;
    // The command table of the running transfer.
    std::array<std::string, 21> commands{};

    PollSchedule schedule;
    RunSinks sinks;
    long long rows = 0;   // rows written, the header row included
    bool active = false;  // started and not yet ended
    bool polling = false; // a poll is on the stack

    void start(const OnlineRequest& request);
    void stopXfer();
    void tick();
    void armFor(double seconds);

    // One poll: ask the instrument, make the row, hand it to the sinks.
    // Ends the transfer itself when the poll cannot go on.
    void pollOnce();
    // Command table entry of the selected parameter.
    int tableEntry() const;
    // Every end of a transfer after the start: port closed if open, timer
    // off, window idle, sinks ended.
    void endTransfer(RunEnd how);
    void report(const std::exception& e);
};

// "hh:mm:ss" of a time of day in seconds.
std::string clockText(double secondsSinceMidnight);
// The second header cell: the parameter name, with a blank in front of a
// leading sign so that a spreadsheet takes it as text.
std::string headerName(const std::string& paramText);

} // namespace tz
