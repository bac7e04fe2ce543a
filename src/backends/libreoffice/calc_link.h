#pragma once
// The spreadsheet link on Linux: the workbook is a document that
// LibreOffice holds open, reached over a UNO connection on a named pipe.
// A link names the document by its path; a cell is written by its row and
// column.
#include "platform/sheet_link.h"

#include <memory>
#include <string>

namespace tz::calc {

class CalcLink : public SheetLink {
  public:
    struct Options {
        std::string pipeName = defaultPipeName();
        // Ask LibreOffice to accept on the pipe (once per series of
        // attempts) when nobody does yet...
        bool askToAccept = true;
        // ...after the series has failed this long. The launch asks already;
        // a second soffice started while the first is still coming up may
        // become the office itself and leave the document to the other.
        double askAfterSeconds = 5.0;
    };

    CalcLink();
    explicit CalcLink(Options options);
    ~CalcLink() override;
    CalcLink(const CalcLink&) = delete;
    CalcLink& operator=(const CalcLink&) = delete;

    // Connects and looks for the document among the documents
    // LibreOffice holds; NoDdeAnswer (282) until both succeed.
    void open(const std::string& documentPath) override;
    // Drops the connection; the next open starts a new series of attempts.
    void close() noexcept override;
    bool isOpen() const override;
    // A text that reads as a plain number becomes a number, anything else
    // text as it is (a leading "=" included: never a formula).
    void writeCell(int row, int col, const std::string& text) override;
    // Ends the session of the office this link asked to accept, if any of
    // it still runs.
    void endLaunched() noexcept override;

    // TZ_UNO_PIPE, else a name of this program's own.
    static std::string defaultPipeName();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tz::calc
