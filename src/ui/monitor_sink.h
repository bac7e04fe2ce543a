#pragma once
// The data monitor as a sink of an on-line run: the rows in its grid, the
// newest one current and in view, and their trend beside it. A display,
// not a record: its failure is reported and the run goes on.
#include "online/row_sink.h"

#include <QPointer>

namespace tz {

class MonitorWindow;

class MonitorSink : public RowSink {
  public:
    explicit MonitorSink(MonitorWindow* monitor) : monitor_(monitor) {}

    // Shows the monitor: a grid of two columns and 500 rows with the
    // header cells, and a new trend of the run's parameter.
    void begin(const RunStart& run) override;
    // Grid row n for data row n, 500 more rows whenever the grid is full.
    void write(const PolledRow& row) override;
    // The monitor keeps showing the run.
    void end(RunEnd) override {}
    bool essential() const override { return false; }

    static constexpr int kGridGrowth = 500;

  private:
    QPointer<MonitorWindow> monitor_;
};

} // namespace tz
