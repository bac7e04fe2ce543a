#pragma once
// Where the cells of a logger data set go: the linked workbook, cell by
// cell, or the CSV document, a row at a time beside the sets written before.
// The layout of the cells (records.h) is the same for both.
#include "logger/csv_document.h"
#include "sheet/document_link.h"

#include <string>

namespace tz::logger {

class SetSink {
  public:
    virtual ~SetSink() = default;
    // Before the set's download command; the set starts in column `setCol`.
    virtual void beginSet(int setCol) { (void)setCol; }
    // A header line at `row`, `col`.
    virtual void headerCell(int row, int col, const std::string& text) = 0;
    // The empty line after the header: a row of its own.
    virtual void headerEnd(int setCol) { (void)setCol; }
    virtual void startRecord() {}
    // A unit of the first record, at the row above the record's values.
    virtual void unitCell(int row, int col, const std::string& text) = 0;
    virtual void valueCell(int row, int col, const std::string& text) = 0;
    // The record is complete; `first`: the first record of its set, whose
    // unit row precedes it.
    virtual void recordEnd(int setCol, bool first) { (void)setCol, (void)first; }
    // The line is quiet for a moment: what is gathered may go to the disk.
    virtual void quiet() {}
    virtual void endSet() {}
    // The stop and failure paths: close what is open; never fails.
    virtual void closeQuietly() noexcept {}
};

// Every cell at once into the linked workbook, waiting while the
// spreadsheet program is busy.
class WorkbookSetSink : public SetSink {
  public:
    explicit WorkbookSetSink(DocumentLink& link) : link_(link) {}
    void headerCell(int row, int col, const std::string& text) override;
    void unitCell(int row, int col, const std::string& text) override;
    void valueCell(int row, int col, const std::string& text) override;

  private:
    DocumentLink& link_;
};

// The CSV document: the header lines as they come, the unit and value
// cells of a record gathered into its rows and written at its end.
class CsvSetSink : public SetSink {
  public:
    // `workPath`: the work file beside the program; the document found at
    // `documentPath` is replaced when the first set begins.
    CsvSetSink(const std::string& workPath, const std::string& documentPath);

    void beginSet(int setCol) override { csv_.prepareSet(setCol); }
    void headerCell(int row, int col, const std::string& text) override;
    void headerEnd(int setCol) override;
    void startRecord() override;
    void unitCell(int row, int col, const std::string& text) override;
    void valueCell(int row, int col, const std::string& text) override;
    void recordEnd(int setCol, bool first) override;
    void quiet() override { csv_.flush(); }
    void endSet() override { csv_.finishSet(); }
    void closeQuietly() noexcept override { csv_.closeQuietly(); }

  private:
    CsvDocument csv_;
    std::string unitLine_; // each unit followed by ","
    std::string dataLine_; // each value followed by ","
    int units_ = 0;
    int values_ = 0;
};

} // namespace tz::logger
