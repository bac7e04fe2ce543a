#pragma once
// The window-level state of the on-line transfer, shared by the start
// (online_transfer.cpp) and the poll cycle (poll_cycle.cpp).
#include "online/keep_polling.h"
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

    // Keeping polling through faults, as the request chose.
    bool keepPolling = false;
    TimeForm timeForm = TimeForm::SystemLong;
    PortRecovery recovery{[this] { reopenPort(); }};
    FaultReports reports{""};

    void start(const OnlineRequest& request);
    void stopXfer();
    void tick();
    void armFor(double seconds);

    // One poll: ask the instrument, make the row, hand it to the sinks.
    // Ends the transfer itself when the poll cannot go on.
    void pollOnce();
    // The TIME cell of a poll starting now, in the run's form.
    std::string pollTimeText(const WallClock& wall);
    // The port as the start opened it: same number, same settings.
    void reopenPort();
    // While the port is away: the attempt to open it again, when due.
    void retryPort();
    // Until the next timer shot: the next poll, or sooner the next
    // attempt at the port.
    double secondsUntilNextShot(double now);
    // A poll of a run that keeps polling got no value: its #N/A row.
    void rowWithoutValue(PollOutcome outcome, PolledRow& row);
    // The tally of a written row, and its report when it is a loss or a return.
    void tally(PollOutcome outcome, const std::string& time);
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
