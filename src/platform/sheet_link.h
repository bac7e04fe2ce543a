#pragma once
// The client end of a live link to a workbook held open by a spreadsheet
// program (a DDE conversation with Excel on Windows, UNO with LibreOffice
// Calc on Linux): open it on a document, write cells, close it. How a
// backend names the document and the cell to its program is its own affair.
#include <string>

namespace tz {

class SheetLink {
  public:
    virtual ~SheetLink() = default;
    // Ends any earlier link and opens one to the workbook at `documentPath`:
    // throws NoDdeAnswer (282) while the spreadsheet program does not
    // answer (yet), another Failure naming the cause otherwise.
    virtual void open(const std::string& documentPath) = 0;
    // Ends the link, if any; never fails.
    virtual void close() noexcept = 0;
    virtual bool isOpen() const = 0;
    // `text` into the cell at `row`, `col` (both from 1) of the linked
    // workbook. Throws a Failure with a clear description when the link is
    // lost or the program refuses the text.
    virtual void writeCell(int row, int col, const std::string& text) = 0;
    // End the processes the link started itself to reach the spreadsheet
    // program that still run: the program never answered and is given up on.
    virtual void endLaunched() noexcept {}
};

} // namespace tz
