#pragma once
// The download of one logger data set ("LD" and its number): the pieces of
// the reply into the line reader, its header lines, then its records, each
// handed to the layout (records.h) and on to the set's sink.
#include "app/wait.h"
#include "logger/line_reader.h"
#include "logger/logger_progress.h"
#include "logger/records.h"
#include "logger/set_sink.h"
#include "platform/host.h"
#include "platform/serial_control.h"
#include "platform/stop_flag.h"
#include "platform/views.h"

namespace tz::logger {

class SetDownload : public InputSource {
  public:
    // `progress` and `summary` belong to the transfer; the download counts
    // into them and shows the progress in `view`.
    SetDownload(Host& host, SerialControl& port, LoggerView& view, const StopFlag& stop,
                LoggerProgress& progress, LoggerSummary& summary);

    // Downloads set `n` into `sink`, starting in column `nextCol`, which
    // moves on with the values written and ends after the last value of
    // the last record that has any: where a next set starts. Throws
    // NoAnswer when the set never begins, TransferStopped when "Stop Xfer"
    // is heard.
    void download(int n, int& nextCol, SetSink& sink);

    // InputSource: the next piece of the reply into the reader. Silence is
    // the twenty-second empty look in a row; the count carries on across
    // the waits of a set, so once the line has fallen silent a later wait
    // that finds nothing gives up at once.
    bool receiveMore() override;
    void keepAlive() override { pieces_.letEventsRun(); }

  private:
    // Header lines up to the first empty line, from row 1; the row after
    // them.
    int headerSection(Records& records, int setCol);
    // The records from row `outRow` on.
    void recordSection(Records& records, int outRow, int setCol, int& nextCol);
    // One record's value lines, up to its empty line or silence.
    void valueLines(Records& records, int outRow, int recNo, int& nextCol);
    // Take everything waiting before the port's receive buffer can overflow.
    void drain();
    void showProgress() { view_.loggerProgress(progress_); }
    void countRecord();

    Host& host_;
    SerialControl& port_;
    LoggerView& view_;
    const StopFlag& stop_;
    LoggerProgress& progress_;
    LoggerSummary& summary_;
    SetSink* sink_ = nullptr;
    Wait pieces_;
    LineReader reader_{*this};
};

} // namespace tz::logger
