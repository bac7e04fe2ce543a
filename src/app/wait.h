#pragma once
// The one way transfer code waits for the instrument or the spreadsheet
// program.
//
// Everything runs on the window thread. A transfer that waits sleeps in
// short pauses and lets window events run between them, so the window
// stays alive: it repaints, its timer fires, and the operator may press
// "Stop Xfer" or close it. The rule for what may run inside a wait:
//   - "Stop Xfer" and the closing step only request the stop and close
//     port and files; the waiting code sees the request at its next check
//     and leaves through its own end steps. Nothing else ends a transfer
//     from inside a wait.
//   - A timer shot that would start a poll while a poll is waiting is
//     ignored (the poll knows it is in progress), and "Start Transfer!"
//     cannot be pressed: the transferring state hides it.
//   - A window closed inside a wait is deleted only after the transfer
//     code has returned into it (TransferFrame::runAsTransferCode).
// After every wait the code checks the stop flag before it touches port or
// file again: a closed port reports silence, a closed file fails.
//
// "Stop Xfer" heard in a wait unwinds as one exception, TransferStopped,
// thrown by letEventsRun below and caught once, at the top of a
// transfer's start and of the on-line poll, which then run the transfer's
// stop steps (an on-line workbook that its checks refuse takes the same
// way out, as the "Stop Xfer" action follows the refusal). A stop can be
// heard deep down: in a cell write that waits for a busy spreadsheet
// program, in a sink's write, in the logger's line reader that waits for
// the next piece of a set. A returned flag or result would have to be
// passed up through every one of those layers (and through the sinks,
// whose writes return nothing), and one layer that forgot to look would
// carry on writing into a closed file. The exception cannot be forgotten,
// and it is no std::exception, so no failure handler reports it as a
// failure by mistake.
#include "platform/host.h"
#include "platform/stop_flag.h"

namespace tz {

// "Stop Xfer" was heard: the transfer ends quietly through its stop steps.
struct TransferStopped {};

// Throws TransferStopped when "Stop Xfer" has been pressed.
inline void throwIfStopped(const StopFlag& stop) {
    if (stop.requested()) throw TransferStopped{};
}

// Let window events run, then throwIfStopped. The only place where
// transfer code lets events run.
inline void letEventsRun(Host& host, const StopFlag& stop) {
    host.pumpEvents();
    throwIfStopped(stop);
}

class Wait {
  public:
    // Pauses of `pauseMs`; the line counts as silent after more than
    // `silenceLimit` pauses in a row without input.
    Wait(Host& host, const StopFlag& stop, int pauseMs, int silenceLimit)
        : host_(host), stop_(stop), pauseMs_(pauseMs), silenceLimit_(silenceLimit) {}

    // Let window events run; throws TransferStopped after "Stop Xfer".
    void letEventsRun() { tz::letEventsRun(host_, stop_); }
    void throwIfStopped() const { tz::throwIfStopped(stop_); }

    // Sleep one pause, without counting it as silence (the wait for the
    // first answer to a command).
    void sleep() { host_.sleepMs(pauseMs_); }
    // Sleep one pause in silence and count it.
    void pauseInSilence() {
        host_.sleepMs(pauseMs_);
        ++silentPauses_;
    }
    // Input came: the count of silent pauses starts again.
    void heard() { silentPauses_ = 0; }
    bool silent() const { return silentPauses_ > silenceLimit_; }

  private:
    Host& host_;
    const StopFlag& stop_;
    int pauseMs_;
    int silenceLimit_;
    int silentPauses_ = 0;
};

} // namespace tz
