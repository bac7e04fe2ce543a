#pragma once
// A sink of an on-line run that keeps what it was told, and can be made to
// fail, for tests of how a run hands its rows on.
#include "online/row_sink.h"
#include "platform/failure.h"

#include <optional>
#include <string>
#include <vector>

namespace tz::fake {

class RecordingSink : public RowSink {
  public:
    // Given a log, "<name> begin", "<name> row <seq>" and "<name> end" go
    // into it too, so that tests can check the order across sinks.
    explicit RecordingSink(std::string name = "sink", bool essential = false,
                           std::vector<std::string>* log = nullptr)
        : name_(std::move(name)), essential_(essential), log_(log) {}

    std::optional<Failure> beginFailure, writeFailure, endFailure;

    std::vector<RunStart> begins;
    std::vector<PolledRow> rows;
    std::vector<RunEnd> ends;

    void begin(const RunStart& run) override {
        note("begin");
        if (beginFailure) throw *beginFailure;
        begins.push_back(run);
    }
    void write(const PolledRow& row) override {
        note("row " + std::to_string(row.seq));
        if (writeFailure) throw *writeFailure;
        rows.push_back(row);
    }
    void end(RunEnd how) override {
        note("end");
        ends.push_back(how);
        if (endFailure) throw *endFailure;
    }
    bool essential() const override { return essential_; }

  private:
    void note(const std::string& what) {
        if (log_) log_->push_back(name_ + " " + what);
    }
    std::string name_;
    bool essential_;
    std::vector<std::string>* log_;
};

} // namespace tz::fake
