#include "online/online_output.h"

#include "platform/failure.h"

namespace tz {

void OnlineOutput::openCsv(const std::string& path) {
    toSheet_ = false;
    csv_.close();
    // The previous document stays as <name>.bak, so a start that then fails
    // (instrument off, wrong port) loses nothing. Only a file is moved: a
    // path naming a folder must not touch the folder.
    backUpFile(path);
    // Every line goes on to the disk after it is written: a pulled plug or a
    // crash keeps every complete row. The sync runs off this thread, so a
    // busy disk does not hold up the poll and every due time after it.
    csv_.open(path, /*durable=*/true);
    view_.showMonitor();
    Grid& grid = view_.monitorGrid();
    grid.setCols(2);
    grid.setRows(kGridGrowth);
}

void OnlineOutput::useSheet() {
    toSheet_ = true;
    csv_.close();
}

void OnlineOutput::gridText(long long row, int col, const std::string& text) {
    Grid& grid = view_.monitorGrid();
    for (;;) {
        try {
            grid.setText(static_cast<int>(row), col, text);
            return;
        } catch (const Failure& f) {
            if (f.code() != FailureCode::GridRowOutOfRange) throw;
            const int before = grid.rows();
            grid.setRows(before + kGridGrowth);
            if (grid.rows() <= before) throw; // the grid cannot grow: give up
        }
    }
}

void OnlineOutput::writeCsvHeader(const std::string& first, const std::string& second) {
    csv_.writeLine(first + "," + second);
    gridText(0, 0, first);
    gridText(0, 1, second);
}

void OnlineOutput::writeRow(long long row, const std::string& first, const std::string& second) {
    if (toSheet_) {
        sheet_.writeCell(static_cast<int>(row), 1, first);
        sheet_.writeCell(static_cast<int>(row), 2, second);
        return;
    }
    csv_.writeLine(first + "," + second);
    const long long gridRow = row - 1;
    gridText(gridRow, 0, first);
    gridText(gridRow, 1, second);
    Grid& grid = view_.monitorGrid();
    grid.setCurrentCell(static_cast<int>(gridRow), 1);
    if (!grid.rowIsVisible(static_cast<int>(gridRow))) grid.setTopRow(static_cast<int>(gridRow));
}

} // namespace tz
