#pragma once
// The CSV document of an on-line run: the header line, then one line per
// poll, each on its way to the disk as soon as it is written. The record of
// truth of a CSV run: its failure ends the run.
#include "app/text_file.h"
#include "online/row_sink.h"

#include <functional>
#include <string>

namespace tz {

class CsvDocumentSink : public RowSink {
  public:
    explicit CsvDocumentSink(std::string path) : path_(std::move(path)) {}

    // The document found at the path stays as a dated copy beside it; a new
    // one with the header line takes its place.
    void begin(const RunStart& run) override;
    void write(const PolledRow& row) override;
    // Closes the document; a failed sync of its last lines is raised. A run
    // that wrote no row puts the previous document back.
    void end(RunEnd how) override;

    bool isOpen() const { return file_.isOpen(); }
    const std::string& path() const { return path_; }
    // The dated copy that holds the previous document, "" for none.
    const std::string& keptAs() const { return keptAs_; }
    // Told the copy when it is made, and "" when it has gone back.
    std::function<void(const std::string& copy)> onKept;

  private:
    void putBackUnlessWritten() noexcept;

    std::string path_;
    TextFileWriter file_;
    std::string keptAs_;
    bool wroteRow_ = false;
};

} // namespace tz
