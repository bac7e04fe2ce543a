#pragma once
// The sinks of one on-line run, in the order the run was assembled with:
// each finished row goes to every one of them in that order, and every sink
// that began is ended once, however the run ends.
#include "online/row_sink.h"

#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace tz {

using RowSinks = std::vector<std::shared_ptr<RowSink>>;

class RunSinks {
  public:
    // How a failure is told to the operator.
    using Report = std::function<void(const std::exception&)>;
    explicit RunSinks(Report report) : report_(std::move(report)) {}

    // Begins the sinks in order. A sink whose begin throws stops the
    // start: the exception propagates, and the sinks begun before it are
    // ended by the caller's end().
    void begin(const RowSinks& sinks, const RunStart& run);
    // The row to every sink in order. An essential sink's failure
    // propagates at once, so the sinks after it never show a row their
    // record lacks. A failure of another sink is reported once, until
    // the sink takes a row again, and the row goes on to the rest.
    void write(const PolledRow& row);
    // Ends every sink that began, once; failures of the ends are reported
    // (`report` false: dropped, as when the run's own failure has just
    // been reported or the window is closing).
    void end(RunEnd how, bool report = true) noexcept;

    bool open() const { return !begun_.empty(); }

  private:
    struct Begun {
        std::shared_ptr<RowSink> sink;
        bool failing = false; // its last write failed and was reported
    };
    void tell(const std::exception& e) noexcept;

    Report report_;
    std::vector<Begun> begun_;
};

} // namespace tz
