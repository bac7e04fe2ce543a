#include "online/online_transfer.h"

#include "app/title.h"
#include "app/wait.h"
#include "link/failure_report.h"
#include "link/serial_link.h"
#include "online/interval_entry.h"
#include "online/online_transfer_impl.h"
#include "platform/failure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tz {

std::string clockText(double seconds) {
    const int s = static_cast<int>(std::clamp(std::floor(seconds), 0.0, 86399.0));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", s / 3600, (s / 60) % 60, s % 60);
    return buf;
}

std::string headerName(const std::string& paramText) {
    if (!paramText.empty() && (paramText.front() == '+' || paramText.front() == '-'))
        return " " + paramText;
    return paramText;
}

void OnlineTransfer::Impl::report(const std::exception& e) {
    const Report r = reportFor(e);
    host.messageBox(r.text, r.title);
}

void OnlineTransfer::Impl::start(const OnlineRequest& request) {
    // A poll that "Stop Xfer" interrupted a moment ago is still unwinding
    // and owns the port until it returns.
    if (polling) return;
    schedule.firstPoll = true;
    if (request.paramIndex < 0) {
        host.messageBox(kParameterNotAppointed, kAppTitle);
        return;
    }
    const IntervalVerdict verdict = judgeInterval(request.intervalDigits);
    if (verdict.kind != IntervalVerdict::Kind::Accepted) {
        host.messageBox(verdict.message(), kAppTitle);
        view.focusInterval();
        return;
    }

    stop.clear();
    commands = request.commands;
    view.enterTransferring();
    try {
        // The port first: a port that fails leaves an existing document
        // untouched and starts no spreadsheet program.
        openPort(port, request.portNo, request.lineSettings, WindowKind::Online);
        RunStart run;
        run.port = "COM" + std::to_string(request.portNo);
        run.parameter = request.paramText;
        run.timeHeader = "TIME";
        run.valueHeader = headerName(request.paramText);
        sinks.begin(request.sinks, run);
        rows = 1;
        schedule.begin(verdict.seconds, host.today());
        active = true;
        armFor(kFirstTickSeconds);
    } catch (const TransferStopped&) {
        // "Stop Xfer" in a wait of the start, or a refused document, which
        // takes the same way out.
        stopXfer();
    } catch (const std::exception& e) {
        report(e);
        if (port.portOpen()) closePort(port);
        view.enterIdle();
        sinks.end(RunEnd::Failed, /*report=*/false);
    }
}

void OnlineTransfer::Impl::stopXfer() {
    stop.request();
    view.enterIdle();
    timer.stop();
    active = false;
    closePort(port);
    sinks.end(RunEnd::Stopped);
}

void OnlineTransfer::Impl::endTransfer(RunEnd how) {
    if (port.portOpen()) closePort(port);
    timer.stop();
    active = false;
    view.enterIdle();
    sinks.end(how);
}

void OnlineTransfer::Impl::armFor(double seconds) {
    // One shot at the due time; the timer runs on elapsed time, so a clock
    // set forward or back meanwhile still brings the tick, and the due rule
    // then judges the new clock.
    timer.startIn(std::max(seconds, 0.0));
}

void OnlineTransfer::Impl::tick() {
    // A shot that comes while a poll waits is ignored (the rule in
    // app/wait.h): never start a poll inside another.
    if (polling || !active) return;
    if (!schedule.due(clockNow(host))) {
        armFor(schedule.secondsUntilDue(clockNow(host)));
        return;
    }
    polling = true;
    pollOnce();
    polling = false;
    // The interval runs from the end of this poll, however it ended.
    const double end = clockNow(host);
    schedule.pollEnded(end);
    if (active) {
        armFor(schedule.secondsUntilDue(end));
        view.nextPollDue(rows, end + schedule.secondsUntilDue(end));
    }
}

OnlineTransfer::OnlineTransfer(Host& host, SerialControl& port, OnlineView& view, Timer& timer,
                               StopFlag& stop)
    : impl_(std::make_unique<Impl>(host, port, view, timer, stop)) {
    timer.setCallback([impl = impl_.get()] { impl->tick(); });
}

OnlineTransfer::~OnlineTransfer() {
    impl_->timer.stop();
    impl_->timer.setCallback({});
}

void OnlineTransfer::start(const OnlineRequest& request) {
    impl_->start(request);
}
void OnlineTransfer::stopXfer() {
    impl_->stopXfer();
}
void OnlineTransfer::closeFiles() {
    impl_->sinks.end(RunEnd::Stopped, /*report=*/false);
}
bool OnlineTransfer::running() const {
    return impl_->active || impl_->polling;
}
long long OnlineTransfer::rowCount() const {
    return impl_->rows;
}
const PollSchedule& OnlineTransfer::schedule() const {
    return impl_->schedule;
}
bool OnlineTransfer::sinksOpen() const {
    return impl_->sinks.open();
}

} // namespace tz
