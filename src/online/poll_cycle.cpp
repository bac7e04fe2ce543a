// One on-line poll (jobComm): ask the instrument for the selected
// parameter, take the value out of the reply and append the row.
#include "app/title.h"
#include "link/failure_report.h"
#include "link/serial_link.h"
#include "online/keep_polling.h"
#include "online/online_transfer_impl.h"
#include "online/value_slice.h"
#include "platform/failure.h"

namespace tz {

int OnlineTransfer::Impl::tableEntry() const {
    const int p = view.selectedParamIndex();
    if (p < 0 || p + 1 >= static_cast<int>(commands.size()))
        throw Failure(FailureCode::Other, kParameterNotAppointed);
    return p + 1;
}

void OnlineTransfer::Impl::jobComm() {
    const double at = clockNow(host);
    const double seconds = host.secondsSinceMidnight();
    const std::string pollTime = pollTimeText();
    view.setStatus1("TIME" + clockText(seconds));
    try {
        if (keepPolling && recovery.away()) {
            rowWithoutValue(PollOutcome::PortAway, at, pollTime, "");
            return;
        }
        stop.clear();
        const std::string& command = commands[tableEntry()];
        ExchangeResult result;
        try {
            result = exchange(port, host, stop, command);
        } catch (const std::exception&) {
            if (!keepPolling || stop.requested()) throw;
            // The port is gone or failing: closed now, tried again later.
            closePortIfOpen(port);
            recovery.lost(clockNow(host));
            rowWithoutValue(PollOutcome::PortAway, at, pollTime, "");
            return;
        }
        if (result.stopped) {
            endTransfer();
            return;
        }
        if (result.reply.empty()) {
            if (keepPolling) {
                rowWithoutValue(PollOutcome::NoAnswer, at, pollTime, "");
                return;
            }
            host.messageBox(kPortIsBad, kAppTitle);
            endTransfer();
            return;
        }
        ++RowCount;
        // "Stop Xfer" now has closed port and file: the poll ends without a
        // row rather than failing on them.
        if (letEventsRun(host, stop)) {
            endTransfer();
            return;
        }
        // The selection is read again: the pump may have run a change.
        std::string value = sliceValue(result.reply, tableEntry());
        PollOutcome outcome = PollOutcome::Value;
        if (keepPolling && !isNumberCell(value)) {
            value = kNoValue;
            outcome = PollOutcome::NoValue;
        }
        output.writeRow(RowCount, pollTime, value);
        view.rowWritten(at, value, result.reply);
        tally(outcome, pollTime);
        port.clearInBuffer();
    } catch (const std::exception& e) {
        // A failure caused by "Stop Xfer" closing port or file under a poll
        // that was past its wait for the reply is no failure to report.
        if (!stop.requested()) report(e);
        endTransfer();
    }
}

} // namespace tz
