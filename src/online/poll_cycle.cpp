// One on-line poll (jobComm): ask the instrument for the selected
// parameter, take the value out of the reply and append the row.
#include "app/title.h"
#include "link/failure_report.h"
#include "link/serial_link.h"
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
    const std::string pollTime = host.timeOfDayText();
    view.setStatus1("TIME" + clockText(seconds));
    try {
        stop.clear();
        const ExchangeResult result = exchange(port, host, stop, commands[tableEntry()]);
        if (result.stopped) {
            endTransfer();
            return;
        }
        if (result.reply.empty()) {
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
        const std::string value = sliceValue(result.reply, tableEntry());
        output.writeRow(RowCount, pollTime, value);
        view.rowWritten(at, value, result.reply);
        port.clearInBuffer();
    } catch (const std::exception& e) {
        // A failure caused by "Stop Xfer" closing port or file under a poll
        // that was past its wait for the reply is no failure to report.
        if (!stop.requested()) report(e);
        endTransfer();
    }
}

} // namespace tz
