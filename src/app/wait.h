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
#include "platform/host.h"
#include "platform/stop_flag.h"

namespace tz {

// Let window events run; true when "Stop Xfer" has been pressed. The only
// place where transfer code lets events run.
inline bool letEventsRun(Host& host, const StopFlag& stop) {
    host.pumpEvents();
    return stop.requested();
}

class Wait {
  public:
    // Pauses of `pauseMs`; the line counts as silent after more than
    // `silenceLimit` pauses in a row without input.
    Wait(Host& host, const StopFlag& stop, int pauseMs, int silenceLimit)
        : host_(host), stop_(stop), pauseMs_(pauseMs), silenceLimit_(silenceLimit) {}

    // Let window events run; true when "Stop Xfer" has been pressed.
    bool letEventsRun() { return tz::letEventsRun(host_, stop_); }
    bool stopRequested() const { return stop_.requested(); }

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
