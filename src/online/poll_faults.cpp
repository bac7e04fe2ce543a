// The on-line run that keeps polling through faults: #N/A rows, the port
// tried again while it is away, and the reports of losses and returns.
#include "link/serial_link.h"
#include "online/keep_polling.h"
#include "online/online_transfer_impl.h"

#include <algorithm>

namespace tz {

std::string OnlineTransfer::Impl::pollTimeText(const WallClock& wall) {
    switch (timeForm) {
    case TimeForm::IsoSeconds:
        return isoLocalTime(wall, false);
    case TimeForm::IsoMillis:
        return isoLocalTime(wall, true);
    case TimeForm::SystemLong:
        break;
    }
    return host.timeOfDayText();
}

void OnlineTransfer::Impl::reopenPort() {
    // The same port as the start opened, with the settings it set then.
    port.reopen();
}

void OnlineTransfer::Impl::retryPort() {
    const double now = clockNow(host);
    if (!recovery.retryIfDue(now)) return;
    // Whatever the line carried while nobody listened is no reply. This
    // runs from the timer: a failure here is left for the next poll to find.
    try {
        port.clearInBuffer();
    } catch (...) {
    }
    view.faultReported(reports.portBack(pollTimeText(host.wallClock()), now - recovery.lostAt()));
}

double OnlineTransfer::Impl::secondsUntilNextShot(double now) {
    double wait = schedule.secondsUntilDue(now);
    if (keepPolling && recovery.away()) wait = std::min(wait, recovery.retryDueAt(now) - now);
    return std::max(wait, 0.0);
}

void OnlineTransfer::Impl::rowWithoutValue(PollOutcome outcome, PolledRow& row) {
    ++rows;
    row.value = kNoValue;
    row.seq = rows - 1;
    sinks.write(row);
    view.rowWritten(row.at, row.value, row.reply);
    tally(outcome, row.time);
}

void OnlineTransfer::Impl::tally(PollOutcome outcome, const std::string& time) {
    const std::string line = reports.polled(outcome, time);
    if (!line.empty()) view.faultReported(line);
}

} // namespace tz
