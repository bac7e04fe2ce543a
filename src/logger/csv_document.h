#pragma once
// The logger's CSV document and its work file. Sets stand side by side; a
// text file cannot be widened in place, so every set after the first
// copies the document to the work file and writes it anew, each line the
// matching work-file line with the new set's columns beside it.
#include "app/text_file.h"
#include "logger/csv_row.h"
#include "logger/work_file_reader.h"

#include <string>

namespace tz::logger {

class CsvDocument {
  public:
    // `workPath`: Work.csv in the program folder.
    explicit CsvDocument(std::string workPath) : workPath_(std::move(workPath)) {}

    // Once per transfer: the work file starts empty. Throws a Failure when
    // `documentPath` is the work file itself, which the merge would eat.
    void prepareRun(const std::string& documentPath);
    // Before each set. From a set that starts past column 1 on, the
    // document so far becomes the work file.
    void prepareSet(int nextCol);
    // The next row of the current set; reads the matching work-file line.
    // Rows are gathered and written in blocks.
    void writeRow(int setCol, const RowText& row);
    // Write out the rows gathered so far.
    void flush();
    // The end of a set: the work-file lines the set did not reach are
    // carried over, then both files close.
    void finishSet();
    // Stop and failure paths: carry over what can be carried, close, and
    // never throw.
    void closeQuietly() noexcept;
    void deleteWorkFile() noexcept;

    bool isOpen() const { return document_.isOpen(); }
    const std::string& workPath() const { return workPath_; }
    const std::string& documentPath() const { return documentPath_; }
    // The dated copy that holds the previous document, "" for none.
    const std::string& keptAs() const { return keptAs_; }

  private:
    const std::string& nextWorkLine();
    void carryOver();
    void rowWritten();

    std::string workPath_;
    std::string documentPath_;
    TextFileWriter document_;
    WorkFileReader work_;
    std::string pending_;   // rows not yet written, each followed by CR LF
    std::string old_;       // the last line read from the work file
    bool backedUp_ = false; // the document found at the start is now a dated copy
    std::string keptAs_;    // that copy, "" when there was none or it went back
    bool wroteRow_ = false;
};

} // namespace tz::logger
