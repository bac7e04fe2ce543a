#include "online/online_output.h"

#include "app/document_copies.h"
#include "platform/failure.h"

namespace tz {

void OnlineOutput::openCsv(const std::string& path) {
    toSheet_ = false;
    csv_.close();
    // The previous document stays as a dated copy beside it, so no start
    // loses an earlier run's rows. Only a file is moved: a path naming a
    // folder must not touch the folder.
    path_ = path;
    wroteRow_ = false;
    keptAs_ = backUpFile(path);
    if (!keptAs_.empty()) view_.previousDocumentKept(keptAs_);
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
    keptAs_.clear();
}

void OnlineOutput::closeCsv() noexcept {
    csv_.close();
    putBackUnlessWritten();
}

void OnlineOutput::closeCsvReporting() {
    try {
        csv_.closeReporting();
    } catch (...) {
        putBackUnlessWritten();
        throw;
    }
    putBackUnlessWritten();
}

void OnlineOutput::putBackUnlessWritten() noexcept {
    // A start that ended before its first row (instrument off, wrong port,
    // "Stop Xfer" at once) leaves the previous document where it was.
    if (keptAs_.empty() || wroteRow_) return;
    if (restoreBackup(keptAs_, path_)) {
        keptAs_.clear();
        view_.previousDocumentKept({});
    }
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
    wroteRow_ = true;
    const long long gridRow = row - 1;
    gridText(gridRow, 0, first);
    gridText(gridRow, 1, second);
    Grid& grid = view_.monitorGrid();
    grid.setCurrentCell(static_cast<int>(gridRow), 1);
    if (!grid.rowIsVisible(static_cast<int>(gridRow))) grid.setTopRow(static_cast<int>(gridRow));
}

} // namespace tz
