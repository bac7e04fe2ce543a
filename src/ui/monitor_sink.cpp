#include "ui/monitor_sink.h"

#include "platform/failure.h"
#include "ui/monitor_grid.h"
#include "ui/monitor_window.h"
#include "ui/trend_chart.h"

namespace tz {

void MonitorSink::begin(const RunStart& run) {
    if (!monitor_) return;
    monitor_->trend().startRun(QString::fromStdString(run.parameter));
    monitor_->show();
    monitor_->raise();
    MonitorGrid& grid = monitor_->grid();
    grid.setCols(2);
    grid.setRows(kGridGrowth);
    grid.setText(0, 0, run.timeHeader);
    grid.setText(0, 1, run.valueHeader);
}

void MonitorSink::write(const PolledRow& row) {
    if (!monitor_) return;
    MonitorGrid& grid = monitor_->grid();
    if (row.seq > 0x7fffffffLL - kGridGrowth)
        throw Failure(FailureCode::Other, "The data monitor cannot show more rows.");
    const int gridRow = static_cast<int>(row.seq);
    while (gridRow >= grid.rows())
        grid.setRows(grid.rows() + kGridGrowth);
    grid.setText(gridRow, 0, row.time);
    grid.setText(gridRow, 1, row.value);
    grid.setCurrentCell(gridRow, 1);
    if (!grid.rowIsVisible(gridRow)) grid.setTopRow(gridRow);
    monitor_->trend().addPoll(row.at, row.value, row.reply);
}

} // namespace tz
