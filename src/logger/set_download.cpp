#include "logger/set_download.h"

#include "link/serial_link.h"
#include "logger/set_query.h"

#include <cstdint>
#include <string>

namespace tz::logger {

namespace {
constexpr int kFirstWaitMs = 100;
constexpr int kPieceWaitMs = 50;
constexpr int kPieceIdleLimit = 20; // the twenty-second empty look in a row is silence
} // namespace

SetDownload::SetDownload(Host& host, SerialControl& port, LoggerView& view, const StopFlag& stop,
                         LoggerProgress& progress, LoggerSummary& summary)
    : host_(host), port_(port), view_(view), stop_(stop), progress_(progress), summary_(summary),
      pieces_(host, stop, kPieceWaitMs, kPieceIdleLimit) {}

void SetDownload::download(int n, int& nextCol, SetSink& sink) {
    const int setCol = nextCol;
    sink_ = &sink;
    sink.beginSet(setCol);
    view_.setStatus2("");
    throwIfStopped(stop_);
    sendCommand(port_, "LD" + setNumber(n));
    // A command has gone out: the first pause for its answer.
    Wait first(host_, stop_, kFirstWaitMs, 0);
    first.sleep();
    first.letEventsRun();

    ++progress_.set;
    progress_.setNo = n;
    progress_.records = 0;
    progress_.announced.reset();
    showProgress();

    reader_.startSet();
    pieces_.heard();
    if (!receiveMore()) throw NoAnswer{};

    Records records(sink);
    const int outRow = headerSection(records, setCol);
    recordSection(records, outRow, setCol, nextCol);
    sink.endSet();
    ++summary_.sets;
}

int SetDownload::headerSection(Records& records, int setCol) {
    int outRow = 1;
    for (;;) {
        const ReadLine& r = reader_.readLine();
        if (r.line.empty()) break;
        records.headerLine(r.line, outRow, setCol);
        if (const auto announced = announcedRecords(r.line)) {
            progress_.announced = announced;
            showProgress();
        }
        ++outRow;
        if (r.silent) break;
    }
    records.headerEnd(setCol);
    // One row for the empty line; the row before the first record's row
    // takes the units.
    return outRow + 2;
}

void SetDownload::recordSection(Records& records, int outRow, int setCol, int& nextCol) {
    // The column after the last value of the last record that has any:
    // where the next set starts.
    int setEnd = setCol;
    for (int recNo = 1;; ++recNo, ++outRow) {
        records.startRecord(setCol);
        drain();
        nextCol = setCol;
        valueLines(records, outRow, recNo, nextCol);
        // A record that has values reaches the document before the line is
        // touched again: a hang-up, a failure or "Stop Xfer" in the next
        // wait must not take a record whose closing line arrived. An empty
        // record is written only when more follows.
        const bool hasValues = records.values() > 0;
        if (hasValues) {
            records.recordEnd(setCol, recNo);
            setEnd = nextCol;
            countRecord();
        }
        drain();
        const bool more = reader_.hasUnread() || receiveMore();
        if (!hasValues && more) records.recordEnd(setCol, recNo);
        if (!more) break;
    }
    nextCol = setEnd;
}

void SetDownload::valueLines(Records& records, int outRow, int recNo, int& nextCol) {
    for (;;) {
        const ReadLine& r = reader_.readLine();
        if (!r.line.empty()) {
            records.valueLine(r.line, outRow, recNo, nextCol);
            view_.setStatus2(std::to_string(reader_.readPos()) + "Processing");
            drain();
        }
        if (r.line.empty() || r.silent) return;
    }
}

bool SetDownload::receiveMore() {
    for (;;) {
        pieces_.letEventsRun();
        if (port_.inBufferCount() > 0) {
            const std::string chunk = port_.input();
            if (!chunk.empty()) {
                reader_.append(chunk);
                view_.setStatus1(std::to_string(reader_.received()) + "Receiving");
                progress_.bytes += static_cast<long long>(chunk.size());
                summary_.bytes = progress_.bytes;
                showProgress();
                pieces_.heard();
                return true;
            }
        }
        if (pieces_.silent()) return false;
        // While the line is quiet, what has been converted goes to disk.
        if (sink_) sink_->quiet();
        pieces_.letEventsRun();
        pieces_.pauseInSilence();
    }
}

void SetDownload::drain() {
    const std::int64_t waiting = port_.inBufferCount();
    if (waiting != 0 && waiting * 5 >= std::int64_t{port_.inBufferSize()} * 4) receiveMore();
}

void SetDownload::countRecord() {
    ++progress_.records;
    ++summary_.records;
    showProgress();
}

} // namespace tz::logger
