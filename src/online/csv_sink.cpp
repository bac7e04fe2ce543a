#include "online/csv_sink.h"

#include "app/document_copies.h"

namespace tz {

void CsvDocumentSink::begin(const RunStart& run) {
    file_.close();
    // The previous document stays as a dated copy beside it, so no start
    // loses an earlier run's rows. Only a file is moved: a path naming a
    // folder must not touch the folder.
    wroteRow_ = false;
    keptAs_ = backUpFile(path_);
    if (!keptAs_.empty() && onKept) onKept(keptAs_);
    try {
        // Every line goes on to the disk after it is written: a pulled plug
        // or a crash keeps every complete row. The sync runs off this
        // thread, so a busy disk does not hold up the poll and every due
        // time after it.
        file_.open(path_, /*durable=*/true);
        file_.writeLine(run.timeHeader + "," + run.valueHeader);
    } catch (...) {
        file_.close();
        putBackUnlessWritten();
        throw;
    }
}

void CsvDocumentSink::write(const PolledRow& row) {
    file_.writeLine(row.time + "," + row.value);
    wroteRow_ = true;
}

void CsvDocumentSink::end(RunEnd) {
    try {
        file_.closeReporting();
    } catch (...) {
        putBackUnlessWritten();
        throw;
    }
    putBackUnlessWritten();
}

void CsvDocumentSink::putBackUnlessWritten() noexcept {
    // A start that ended before its first row (instrument off, wrong port,
    // "Stop Xfer" at once) leaves the previous document where it was.
    if (keptAs_.empty() || wroteRow_) return;
    if (restoreBackup(keptAs_, path_)) {
        keptAs_.clear();
        if (onKept) {
            try {
                onKept({});
            } catch (...) {
            }
        }
    }
}

} // namespace tz
