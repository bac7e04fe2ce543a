#pragma once
// Where the finished rows of an on-line run go: the CSV document, the data
// monitor, the workbook, a broker. The poll never knows which of them a run
// has; whoever starts the run (a window, the unattended mode) assembles its
// sinks, and every sink lives through the same three steps.
#include "platform/host.h"

#include <optional>
#include <string>

namespace tz {

// WallClock, the calendar instant of a row, comes with the host
// (platform/host.h).

// What every sink is told when a run starts.
struct RunStart {
    std::string port;        // "COM1"
    std::string parameter;   // the parameter's name as listed
    std::string timeHeader;  // the first header cell, "TIME"
    std::string valueHeader; // the second header cell (see headerName)
};

// One poll's finished row.
struct PolledRow {
    long long seq = 0;            // data rows of this run, from 1
    double at = 0;                // when the poll started, as clockNow
    WallClock wall;               // the same instant on the calendar
    std::string time;             // the TIME cell as written
    std::string value;            // the value cell as written
    std::optional<double> number; // the value cell read as a number
    std::string unit;             // the unit behind the number in the reply, "" when none
    std::string reply;            // the reply as received (bounded), "" when none came
};

enum class RunEnd {
    Completed, // the run reached its count
    Stopped,   // "Stop Xfer", the window closing, SIGTERM
    Failed,    // a failure ended it (already reported)
};

class RowSink {
  public:
    virtual ~RowSink() = default;
    // Before the first row. Throws a Failure when the sink cannot take
    // rows (the document cannot be created); the run then does not start.
    virtual void begin(const RunStart& run) = 0;
    // One row, in poll order. Throws a Failure when the row could not be
    // taken; the run reports it and ends when the sink is essential.
    virtual void write(const PolledRow& row) = 0;
    // After the last row, however the run ended. May throw a Failure of
    // the last rows' way out (a failed sync); the run reports it.
    virtual void end(RunEnd how) = 0;
    // Whether a failure of this sink ends the run: the CSV document is the
    // record of truth, a broker is not.
    virtual bool essential() const { return true; }
};

} // namespace tz
