// One on-line poll: ask the instrument for the selected parameter, take the
// value out of the reply and hand the finished row to the run's sinks.
#include "app/title.h"
#include "app/wait.h"
#include "link/failure_report.h"
#include "link/serial_link.h"
#include "online/online_transfer_impl.h"
#include "online/trend.h"
#include "online/value_slice.h"
#include "platform/failure.h"

namespace tz {

int OnlineTransfer::Impl::tableEntry() const {
    const int p = view.selectedParamIndex();
    if (p < 0 || p + 1 >= static_cast<int>(commands.size()))
        throw Failure(FailureCode::Other, kParameterNotAppointed);
    return p + 1;
}

void OnlineTransfer::Impl::pollOnce() {
    PolledRow row;
    row.at = clockNow(host);
    row.wall = host.wallClock();
    const double seconds = host.secondsSinceMidnight();
    row.time = host.timeOfDayText();
    view.setStatus1("TIME" + clockText(seconds));
    try {
        stop.clear();
        row.reply = exchange(port, host, stop, commands[tableEntry()]).reply;
        if (row.reply.empty()) {
            host.messageBox(kPortIsBad, kAppTitle);
            endTransfer(RunEnd::Failed);
            return;
        }
        ++rows;
        // "Stop Xfer" now has closed port and sinks: the poll ends without
        // a row rather than failing on them.
        letEventsRun(host, stop);
        // The selection is read again: the pump may have run a change.
        row.value = sliceValue(row.reply, tableEntry());
        row.number = readingNumber(row.value);
        row.unit = replyUnit(row.reply);
        row.seq = rows - 1;
        sinks.write(row);
        view.rowWritten(row.at, row.value, row.reply);
        port.clearInBuffer();
    } catch (const TransferStopped&) {
        endTransfer(RunEnd::Stopped);
    } catch (const std::exception& e) {
        // A failure caused by "Stop Xfer" closing port or file under a poll
        // that was past its wait for the reply is no failure to report.
        const bool stopped = stop.requested();
        if (!stopped) report(e);
        endTransfer(stopped ? RunEnd::Stopped : RunEnd::Failed);
    }
}

} // namespace tz
