#pragma once
// What lets an on-line run outlive a pulled cable or a meter switched off
// for a while: when to try the port again, and what to tell the operator
// about each loss and each return.
#include <functional>
#include <string>

namespace tz {

// The value cell of a poll that got no value: what spreadsheets read as
// "no value", so that a chart of the column shows a gap there.
inline constexpr const char* kNoValue = "#N/A";

// While the port is away it is opened again every kRetrySeconds: the same
// port number and so the same device link (a link by the adapter's id
// finds it on another USB socket), never another port. Between attempts
// nothing runs; the caller's timer sleeps until retryDueAt().
class PortRecovery {
  public:
    static constexpr double kRetrySeconds = 5.0;

    // `reopen` opens the run's port again, as the start opened it, and
    // throws when it cannot.
    explicit PortRecovery(std::function<void()> reopen) : reopen_(std::move(reopen)) {}

    // The port failed at `now` (clockNow seconds) and has been closed.
    void lost(double now);
    bool away() const { return away_; }
    // Makes the attempt that is due at `now`, if one is. True when the port
    // has just opened again.
    bool retryIfDue(double now);
    // When the next attempt falls due; a clock set back meanwhile pulls it
    // back to at most kRetrySeconds from `now`.
    double retryDueAt(double now);
    double lostAt() const { return lostAt_; }
    long attempts() const { return attempts_; }

  private:
    std::function<void()> reopen_;
    bool away_ = false;
    double lostAt_ = 0;
    double nextAt_ = 0;
    long attempts_ = 0;
};

// What a poll came to.
enum class PollOutcome {
    Value,    // a value for the row
    PortAway, // the port failed under the poll, or is still away
    NoAnswer, // the instrument stayed silent
    NoValue,  // a reply came, but no number in it
};

// Turns the outcomes of a run's polls into report lines: every loss once
// and every return once, each with the time it happened; and the tally of
// the run's rows.
class FaultReports {
  public:
    explicit FaultReports(std::string portName) : port_(std::move(portName)) {}

    // A poll's row, `when` being its time as written in the row. Returns
    // the line to report, "" when nothing changed.
    std::string polled(PollOutcome outcome, const std::string& when);
    // The port opened again at `when`, `awaySeconds` after it was lost.
    std::string portBack(const std::string& when, double awaySeconds);

    long long rows() const { return rows_; }
    long long rowsWithoutValue() const { return withoutValue_; }

  private:
    enum class State { Fine, Away, Reopened, Silent };
    std::string port_;
    State state_ = State::Fine;
    long long rows_ = 0;
    long long withoutValue_ = 0;
    long long silentRows_ = 0;
};

// "7 s", "2 min 5 s", "3 h 0 min": how long something lasted.
std::string durationText(double seconds);

} // namespace tz
