#pragma once
// What a transfer shows in its window: the frame's two states, the status
// lines and the progress. Everything the operator chose reaches the
// transfer as its request when "Start Transfer!" is pressed; the Qt windows
// implement these, tests use recording fakes. The rows themselves go to
// the run's sinks (online/row_sink.h), the data monitor among them.
#include <optional>
#include <string>

namespace tz {

class TransferView {
  public:
    virtual ~TransferView() = default;
    virtual void enterIdle() = 0;         // the operator may start again
    virtual void enterTransferring() = 0; // only "Stop Xfer" is live
    // The two lines of the status panel.
    virtual void setStatus1(const std::string& text) = 0;
    virtual void setStatus2(const std::string& text) = 0;
    // The document the start found has been kept as the dated copy `copy`
    // (its path); "" when it has gone back in place, the start having
    // written no row. For the result line.
    virtual void previousDocumentKept(const std::string& copy) { (void)copy; }
};

class OnlineView : public TransferView {
  public:
    // The parameter list's selection now, -1 for none. A poll reads it
    // again after its wait: the operator may have changed it meanwhile.
    virtual int selectedParamIndex() const = 0;
    // A refused interval: the caret goes back to the interval entry.
    virtual void focusInterval() = 0;

    // For what a window shows beside its classic controls; a view that
    // shows nothing more leaves them alone.
    // A poll's row has reached the sinks: when the poll started (seconds
    // since the start of day 0, as clockNow), its value cell and the reply.
    virtual void rowWritten(double at, const std::string& value, const std::string& reply) {
        (void)at, (void)value, (void)reply;
    }
    // After every poll: rows written so far, the header row included, and
    // when the next poll falls due (as clockNow).
    virtual void nextPollDue(long long rows, double at) { (void)rows, (void)at; }
};

// Where a logger transfer stands, for progress displays.
struct LoggerProgress {
    int set = 0;                   // 1-based position among the sets being downloaded
    int sets = 0;                  // sets that hold data and are downloaded
    int setNo = 0;                 // the logger's number of the set, 1..20
    long records = 0;              // records of this set written so far
    std::optional<long> announced; // records the set's header announces
    long long bytes = 0;           // received for this transfer so far
};

class LoggerView : public TransferView {
  public:
    // Beside the status lines: the download's progress, and one
    // line of result when the transfer has ended, however it ended.
    virtual void loggerProgress(const LoggerProgress& progress) { (void)progress; }
    virtual void loggerResult(const std::string& line) { (void)line; }
};

} // namespace tz
