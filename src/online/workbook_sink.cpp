#include "online/workbook_sink.h"

#include "app/wait.h"

namespace tz {

void WorkbookSink::begin(const RunStart& run) {
    if (link_.checkAndLink(path_, owner_) == DocumentLink::Result::Refused) throw TransferStopped{};
    // The spreadsheet program may still be busy loading the document.
    link_.writeCellWaiting(1, 1, run.timeHeader);
    link_.writeCellWaiting(1, 2, run.valueHeader);
}

void WorkbookSink::write(const PolledRow& row) {
    // Row 1 holds the header: data row n is row n + 1.
    const int sheetRow = static_cast<int>(row.seq + 1);
    link_.writeCell(sheetRow, 1, row.time);
    link_.writeCell(sheetRow, 2, row.value);
}

} // namespace tz
