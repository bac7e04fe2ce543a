#pragma once
// Where the rows of an on-line transfer go: the CSV document together with
// the data monitor grid, or the cells of the linked workbook. Row 1 is the
// header row in both.
#include "app/text_file.h"
#include "platform/views.h"
#include "sheet/document_link.h"

#include <string>

namespace tz {

class OnlineOutput {
  public:
    OnlineOutput(OnlineView& view, DocumentLink& sheet) : view_(view), sheet_(sheet) {}

    // Replace the document at `path` (kept as a dated copy) by an empty one, open it for writing
    // line by line, show the data monitor and give its grid 2 columns and
    // 500 rows.
    void openCsv(const std::string& path);
    // Rows go to the linked workbook.
    void useSheet();

    // The header line of the CSV document and row 0 of the grid.
    void writeCsvHeader(const std::string& first, const std::string& second);
    // The whole row `row` (from 1): one CSV line and grid row row - 1, or
    // the cells R<row>C1 and R<row>C2. Either the line reaches the file
    // before the grid shows it, or nothing is written.
    void writeRow(long long row, const std::string& first, const std::string& second);

    bool toSheet() const { return toSheet_; }
    bool csvOpen() const { return csv_.isOpen(); }
    const std::string& csvPath() const { return csv_.path(); }
    // Both closes put the previous document back when no row was written.
    void closeCsv() noexcept;
    // The end of a transfer: close, and raise a failure of the last rows'
    // way to the disk.
    void closeCsvReporting();

    static constexpr int kGridGrowth = 500;

  private:
    // Grid cell write that grows the grid by 500 rows when it has run out.
    void gridText(long long row, int col, const std::string& text);
    void putBackUnlessWritten() noexcept;

    OnlineView& view_;
    DocumentLink& sheet_;
    TextFileWriter csv_;
    bool toSheet_ = false;
    std::string path_;
    std::string keptAs_; // the previous document's dated copy, "" for none
    bool wroteRow_ = false;
};

} // namespace tz
