#include "online/csv_sink.h"

namespace tz {

void CsvDocumentSink::begin(const RunStart& run) {
    file_.close();
    // The previous document stays as <name>.bak, so a start that then fails
    // (instrument off, wrong port) loses nothing. Only a file is moved: a
    // path naming a folder must not touch the folder.
    backUpFile(path_);
    // Every line goes on to the disk after it is written: a pulled plug or a
    // crash keeps every complete row. The sync runs off this thread, so a
    // busy disk does not hold up the poll and every due time after it.
    file_.open(path_, /*durable=*/true);
    file_.writeLine(run.timeHeader + "," + run.valueHeader);
}

void CsvDocumentSink::write(const PolledRow& row) {
    file_.writeLine(row.time + "," + row.value);
}

void CsvDocumentSink::end(RunEnd) {
    file_.closeReporting();
}

} // namespace tz
