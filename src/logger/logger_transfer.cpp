// The logger transfer's run from "Start Transfer!" to its end steps: the
// query phase (set_query), the output (set_sink), the downloads
// (set_download) and the ways out.
#include "logger/logger_transfer.h"

#include "app/paths.h"
#include "app/text_file.h"
#include "app/title.h"
#include "app/wait.h"
#include "link/failure_report.h"
#include "link/serial_link.h"
#include "logger/logger_progress.h"
#include "logger/set_download.h"
#include "logger/set_query.h"
#include "logger/set_sink.h"

#include <array>
#include <memory>

namespace tz {

using logger::kSets;

struct LoggerTransfer::Impl {
    Impl(Host& h, SerialControl& p, LoggerView& v, DocumentLink& s, StopFlag& f)
        : host(h), port(p), view(v), sheet(s), stop(f), download(h, p, v, f, progress, summary) {}

    Host& host;
    SerialControl& port;
    LoggerView& view;
    DocumentLink& sheet;
    StopFlag& stop;

    // Window-level state.
    std::array<bool, kSets> hasData{};
    int nextCol = 1;

    // State of one transfer.
    LoggerRequest request;
    bool running = false;
    LoggerProgress progress;
    LoggerSummary summary;
    std::unique_ptr<logger::SetSink> sink;
    logger::SetDownload download;

    std::string workPath() const { return joinProgramFolder(request.workFolder, kWorkFileName); }

    enum class Outcome { Ended, Abandoned };
    Outcome run();
    // The output the sets go to; false when the document was refused and
    // the "Stop Xfer" action has run.
    bool prepareOutput();
    void runCaught();

    void closeFiles() noexcept {
        if (sink) sink->closeQuietly();
    }
    void endTransfer() noexcept;
    void failed(const Report& report) noexcept;
    void stopXfer() {
        stop.request();
        view.enterIdle();
        closePort(port);
        closeFiles();
    }
};

LoggerTransfer::Impl::Outcome LoggerTransfer::Impl::run() {
    sheet.endLink();
    openPort(port, request.portNo, request.lineSettings, WindowKind::Logger);
    summary.stoppedBy = logger::querySets(port, host, stop, request.ticked, hasData);
    if (!summary.stoppedBy.empty()) {
        host.messageBox(summary.stoppedBy, kAppTitle);
        return Outcome::Ended;
    }
    nextCol = 1;
    if (!prepareOutput()) return Outcome::Abandoned;

    progress = {};
    for (int n = 1; n <= kSets; ++n)
        if (request.ticked[n] && hasData[n - 1]) ++progress.sets;
    for (int n = 1; n <= kSets; ++n)
        if (request.ticked[n] && hasData[n - 1]) download.download(n, nextCol, *sink);
    return Outcome::Ended;
}

bool LoggerTransfer::Impl::prepareOutput() {
    sink.reset();
    if (!request.toWorkbook) {
        sink = std::make_unique<logger::CsvSetSink>(workPath(), request.documentPath);
        return true;
    }
    // A refused document has said so; the "Stop Xfer" action follows, and
    // the transfer ends without its end steps.
    if (sheet.checkAndLink(request.documentPath, request.owner) == DocumentLink::Result::Refused) {
        stopXfer();
        return false;
    }
    sink = std::make_unique<logger::WorkbookSetSink>(sheet);
    return true;
}

// Every failure of the run comes here and ends it with its own steps.
void LoggerTransfer::Impl::runCaught() {
    try {
        view.enterTransferring();
        if (run() == Outcome::Ended)
            endTransfer();
        else
            summary.stoppedBy = kLoggerStopped;
    } catch (const TransferStopped&) {
        summary.stoppedBy = kLoggerStopped;
        endTransfer();
    } catch (const logger::NoAnswer&) {
        summary.stoppedBy = kPortIsBad;
        host.messageBox(kPortIsBad, kAppTitle);
        endTransfer();
    } catch (const std::exception& e) {
        const Report report = reportFor(e);
        summary.stoppedBy = report.text;
        failed(report);
    } catch (...) {
        summary.stoppedBy = "The transfer failed for an unknown reason.";
        failed({summary.stoppedBy, kAppTitle});
    }
}

// The end steps of a transfer that ran its course or was stopped: every
// step runs whatever the one before it did, and the work file goes.
void LoggerTransfer::Impl::endTransfer() noexcept {
    closeFiles();
    deleteFileQuietly(workPath());
    try {
        view.setStatus1("");
    } catch (...) {
    }
    try {
        port.clearInBuffer();
    } catch (...) {
    }
    closePort(port);
    try {
        view.enterIdle();
    } catch (...) {
    }
}

// The failure handler's end steps. The work file stays: should the
// document have lost its earlier sets, they are still in there.
void LoggerTransfer::Impl::failed(const Report& report) noexcept {
    try {
        host.messageBox(report.text, report.title);
    } catch (...) {
    }
    try {
        view.setStatus1("");
    } catch (...) {
    }
    closePortIfOpen(port);
    closeFiles();
    try {
        view.enterIdle();
    } catch (...) {
    }
}

LoggerTransfer::LoggerTransfer(Host& host, SerialControl& port, LoggerView& view,
                               DocumentLink& sheet, StopFlag& stop)
    : impl_(std::make_unique<Impl>(host, port, view, sheet, stop)) {}

LoggerTransfer::~LoggerTransfer() {
    impl_->closeFiles();
}

void LoggerTransfer::start(const LoggerRequest& request) {
    Impl& t = *impl_;
    if (t.running) return;
    bool anyTicked = false;
    for (int n = 1; n <= kSets && !anyTicked; ++n)
        anyTicked = request.ticked[n];
    if (!anyTicked) {
        t.host.messageBox(kLoggerNotAppointed, kAppTitle);
        return;
    }

    t.stop.clear();
    t.request = request;
    t.running = true;
    t.summary = {};
    t.summary.document = request.documentPath;
    t.progress = {};
    t.runCaught();
    t.running = false;
    try {
        t.view.previousDocumentKept(t.csv ? t.csv->keptAs() : std::string());
        t.view.loggerResult(resultLine(t.summary));
    } catch (...) {
    }
}

void LoggerTransfer::stopXfer() {
    impl_->stopXfer();
}

void LoggerTransfer::closeFiles() {
    impl_->closeFiles();
}

const std::string& LoggerTransfer::endReason() const {
    return impl_->summary.stoppedBy;
}

bool LoggerTransfer::running() const {
    return impl_->running;
}

int LoggerTransfer::nextCol() const {
    return impl_->nextCol;
}

bool LoggerTransfer::loggerHasData(int set) const {
    return set >= 1 && set <= kSets && impl_->hasData[set - 1];
}

std::string LoggerTransfer::setNumber(int set) {
    return logger::setNumber(set);
}

} // namespace tz
