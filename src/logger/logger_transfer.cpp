#include "logger/logger_transfer.h"

#include "app/paths.h"
#include "app/text_file.h"
#include "app/title.h"
#include "app/wait.h"
#include "link/failure_report.h"
#include "link/serial_link.h"
#include "logger/csv_document.h"
#include "logger/line_reader.h"
#include "logger/logger_progress.h"
#include "logger/records.h"
#include "platform/failure.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tz {

namespace {

constexpr int kSets = 20;
constexpr int kQueryWaitMs = 100;
constexpr int kQueryIdleLimit = 10; // the twelfth empty poll in a row ends a reply
constexpr int kPieceWaitMs = 50;
constexpr int kPieceIdleLimit = 20; // the twenty-second empty poll in a row is silence

// The instrument did not answer at all: "232Port is bad", then the end steps.
struct NoAnswer {};

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

struct LoggerTransfer::Impl : logger::InputSource {
    Impl(Host& h, SerialControl& p, LoggerView& v, DocumentLink& s, StopFlag& f)
        : host(h), port(p), view(v), sheet(s), stop(f),
          pieces(h, f, kPieceWaitMs, kPieceIdleLimit) {}

    Host& host;
    SerialControl& port;
    LoggerView& view;
    DocumentLink& sheet;
    StopFlag& stop;

    // Window-level state.
    std::array<bool, kSets> hasData{};
    int outRow = 1;
    int setCol = 1;
    int nextCol = 1;

    // State of one transfer.
    LoggerRequest request;
    bool running = false;
    int recNo = 1;
    // The waits of a download; silence counts on across the reads of a set.
    Wait pieces;
    logger::LineReader reader{*this};
    std::optional<logger::CsvDocument> csv;
    std::optional<logger::Records> records;
    LoggerProgress progress;
    LoggerSummary summary;

    void showProgress() { view.loggerProgress(progress); }
    void countRecord() {
        ++progress.records;
        ++summary.records;
        showProgress();
    }

    std::string workPath() const { return joinProgramFolder(request.workFolder, kWorkFileName); }

    // ---- waiting ---------------------------------------------------------

    void stopPoint() { throwIfStopped(stop); }
    // Window events run; "Stop Xfer" among them ends the transfer here.
    static void letEventsRun(Wait& wait) { wait.letEventsRun(); }
    // A command has gone out: the first pause for its answer.
    void awaitFirstAnswer() {
        Wait first(host, stop, kQueryWaitMs, 0);
        first.sleep();
        letEventsRun(first);
    }

    // ReceiveChunk: the next piece of input into the reader. Silence is the
    // twenty-second empty poll in a row; the count carries on across the
    // waits of a set, so once the line has fallen silent a later wait that
    // finds nothing gives up at once.
    bool receiveMore() override {
        for (;;) {
            letEventsRun(pieces);
            if (port.inBufferCount() > 0) {
                const std::string chunk = port.input();
                if (!chunk.empty()) {
                    reader.append(chunk);
                    view.setStatus1(std::to_string(reader.received()) + "Receiving");
                    progress.bytes += static_cast<long long>(chunk.size());
                    summary.bytes = progress.bytes;
                    showProgress();
                    pieces.heard();
                    return true;
                }
            }
            if (pieces.silent()) return false;
            // While the line is quiet, what has been converted goes to disk.
            if (csv) csv->flush();
            letEventsRun(pieces);
            pieces.pauseInSilence();
        }
    }

    void keepAlive() override { letEventsRun(pieces); }

    // Take everything waiting before the port's receive buffer can overflow.
    void drain() {
        const std::int64_t waiting = port.inBufferCount();
        if (waiting != 0 && waiting * 5 >= std::int64_t{port.inBufferSize()} * 4) receiveMore();
    }

    // ---- the spreadsheet ---------------------------------------------------

    // A spreadsheet program that is busy does not answer for a moment.
    void writeCell(int row, int col, const std::string& text) {
        sheet.writeCellWaiting(row, col, text);
    }

    // ---- the transfer ------------------------------------------------------

    enum class Outcome { Ended, Abandoned };

    Outcome run() {
        sheet.endLink();
        openPort(port, request.portNo, request.lineSettings, WindowKind::Logger);
        if (!queryAll()) return Outcome::Ended;

        nextCol = 1;
        records.reset();
        csv.reset();
        if (request.toWorkbook) {
            if (sheet.checkAndLink(request.documentPath, request.owner) ==
                DocumentLink::Result::Refused) {
                stopXfer();
                return Outcome::Abandoned;
            }
            records.emplace([this](int r, int c, const std::string& t) { writeCell(r, c, t); });
        } else {
            csv.emplace(workPath());
            csv->prepareRun(request.documentPath);
            records.emplace(*csv);
        }

        progress = {};
        for (int n = 1; n <= kSets; ++n)
            if (request.ticked[n] && hasData[n - 1]) ++progress.sets;
        for (int n = 1; n <= kSets; ++n)
            if (request.ticked[n] && hasData[n - 1]) downloadSet(n);
        return Outcome::Ended;
    }

    // Every ticked set is asked about before any is downloaded; false when
    // a reply ends the transfer (its message has been shown).
    bool queryAll() {
        for (int n = 1; n <= kSets; ++n) {
            if (!request.ticked[n]) continue;
            stopPoint();
            sendCommand(port, "LF" + setNumber(n));
            Wait wait(host, stop, kQueryWaitMs, kQueryIdleLimit);
            wait.sleep();
            letEventsRun(wait);
            std::string reply;
            for (;;) {
                const std::string piece = port.inBufferCount() >= 1 ? port.input() : "";
                if (!piece.empty()) {
                    appendBounded(reply, piece);
                    wait.heard();
                    continue;
                }
                // The button closes the port, which then reports silence:
                // let a click made during the last wait run, and look at the
                // request before taking silence for an answer.
                letEventsRun(wait);
                if (wait.silent()) break;
                wait.pauseInSilence();
            }
            hasData[n - 1] = startsWith(reply, "No.");
            if (hasData[n - 1]) continue;
            if (reply.empty()) throw NoAnswer{};
            if (startsWith(reply, "EMPTY")) {
                summary.stoppedBy = "No." + setNumber(n) + "Data is not save";
                host.messageBox(summary.stoppedBy, kAppTitle);
                return false;
            }
            if (startsWith(reply, "DATA")) {
                summary.stoppedBy = "No." + setNumber(n) + "Sampling now";
                host.messageBox(summary.stoppedBy, kAppTitle);
                return false;
            }
            // Any other reply: the set is skipped without a word.
        }
        return true;
    }

    void downloadSet(int n) {
        if (csv) csv->prepareSet(nextCol);
        view.setStatus2("");
        stopPoint();
        sendCommand(port, "LD" + setNumber(n));
        awaitFirstAnswer();

        ++progress.set;
        progress.setNo = n;
        progress.records = 0;
        progress.announced.reset();
        showProgress();

        recNo = 1;
        outRow = 1;
        setCol = nextCol;
        reader.startSet();
        pieces.heard();
        if (!receiveMore()) throw NoAnswer{};

        // Header lines, up to the first empty line.
        for (;;) {
            const logger::ReadLine& r = reader.readLine();
            if (r.line.empty()) break;
            records->headerLine(r.line, outRow, setCol);
            if (const auto announced = announcedRecords(r.line)) {
                progress.announced = announced;
                showProgress();
            }
            ++outRow;
            if (r.silent) break;
        }
        records->headerEnd(setCol);
        // One row for the empty line; the row before the first record's
        // row takes the units.
        outRow += 2;

        // The column after the last value of the last record that has any:
        // where the next set starts.
        int setEnd = setCol;
        for (;;) {
            records->startRecord(setCol);
            drain();
            nextCol = setCol;
            for (;;) {
                const logger::ReadLine& r = reader.readLine();
                if (!r.line.empty()) {
                    records->valueLine(r.line, outRow, recNo, nextCol);
                    view.setStatus2(std::to_string(reader.readPos()) + "Processing");
                    drain();
                }
                if (r.line.empty() || r.silent) break;
            }
            // A record that has values reaches the document before the line
            // is touched again: a hang-up, a failure or "Stop Xfer" in the
            // next wait must not take a record whose closing line arrived.
            // An empty record is written only when more follows.
            const bool hasValues = records->values() > 0;
            if (hasValues) {
                records->recordEnd(setCol, recNo);
                setEnd = nextCol;
                countRecord();
            }
            drain();
            const bool more = reader.hasUnread() || receiveMore();
            if (!hasValues && more) records->recordEnd(setCol, recNo);
            if (!more) break;
            ++outRow;
            ++recNo;
        }
        nextCol = setEnd;
        if (csv) csv->finishSet();
        ++summary.sets;
    }

    // ---- the ways out ------------------------------------------------------

    void closeFiles() noexcept {
        if (csv) csv->closeQuietly();
    }

    // EndTransfer: every step runs whatever the one before it did.
    void endTransfer() noexcept {
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
    void failed(const Report& report) noexcept {
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

    void stopXfer() {
        stop.request();
        view.enterIdle();
        closePort(port);
        closeFiles();
    }
};

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
    try {
        t.view.enterTransferring();
        if (t.run() == Impl::Outcome::Ended) {
            t.endTransfer();
        } else {
            t.summary.stoppedBy = kLoggerStopped;
        }
    } catch (const TransferStopped&) {
        t.summary.stoppedBy = kLoggerStopped;
        t.endTransfer();
    } catch (const NoAnswer&) {
        t.summary.stoppedBy = kPortIsBad;
        t.host.messageBox(kPortIsBad, kAppTitle);
        t.endTransfer();
    } catch (const std::exception& e) {
        const Report report = reportFor(e);
        t.summary.stoppedBy = report.text;
        t.failed(report);
    } catch (...) {
        t.summary.stoppedBy = "The transfer failed for an unknown reason.";
        t.failed({t.summary.stoppedBy, kAppTitle});
    }
    t.running = false;
    try {
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
    std::string s = std::to_string(set);
    return s.size() < 2 ? "0" + s : s;
}

} // namespace tz
