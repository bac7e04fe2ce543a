#pragma once
// The linked workbook of an on-line run: the document checks and the link
// at the start, the header cells in row 1, then the cells R<n>C1 and
// R<n>C2 of every poll. The workbook is the run's only record: its failure
// ends the run.
#include "online/row_sink.h"
#include "sheet/document_link.h"

#include <string>

namespace tz {

class WorkbookSink : public RowSink {
  public:
    WorkbookSink(DocumentLink& link, std::string documentPath, WindowHandle owner)
        : link_(link), path_(std::move(documentPath)), owner_(owner) {}

    // A document that the checks refuse has been reported; the run then
    // takes the "Stop Xfer" way out (TransferStopped).
    void begin(const RunStart& run) override;
    void write(const PolledRow& row) override;
    // The workbook stays linked and open in its program.
    void end(RunEnd) override {}

  private:
    DocumentLink& link_;
    std::string path_;
    WindowHandle owner_;
};

} // namespace tz
