#include "logger/csv_document.h"

#include "app/document_copies.h"
#include "platform/failure.h"

#include <filesystem>
#include <system_error>

namespace tz::logger {

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    const fs::path pa(std::u8string(a.begin(), a.end()));
    const fs::path pb(std::u8string(b.begin(), b.end()));
    std::error_code ec;
    if (fs::equivalent(pa, pb, ec)) return true;
    return fs::weakly_canonical(pa, ec) == fs::weakly_canonical(pb, ec) && !ec;
}

} // namespace

void CsvDocument::prepareRun(const std::string& documentPath) {
    if (sameFile(documentPath, workPath_))
        throw Failure(FailureCode::Other, documentPath +
                                              " is the program's work file. Choose another "
                                              "document.");
    documentPath_ = documentPath;
    backedUp_ = false;
    keptAs_.clear();
    wroteRow_ = false;
    deleteWorkFile();
    try {
        TextFileWriter empty;
        empty.open(workPath_);
    } catch (const Failure&) {
        // A folder that takes no work file shows up when the first set
        // opens it, with a message that names it.
    }
}

void CsvDocument::prepareSet(int nextCol) {
    closeQuietly();
    // A set that starts in column 1 has no earlier columns beside it: it
    // reads no work file, so a stale one left by a folder that refused the
    // delete can never creep into the document.
    const bool besideEarlierSets = nextCol != 1;
    if (besideEarlierSets) copyFileReplacing(documentPath_, workPath_);
    // The document the run finds is the operator's earlier result: it stays
    // as a dated copy, so no later start loses it.
    if (!backedUp_) {
        keptAs_ = backUpFile(documentPath_);
        backedUp_ = true;
    }
    deleteFileQuietly(documentPath_);
    document_.open(documentPath_);
    if (besideEarlierSets) work_.open(workPath_);
}

const std::string& CsvDocument::nextWorkLine() {
    if (work_.atEnd())
        old_.clear();
    else
        work_.readLine(old_);
    return old_;
}

void CsvDocument::rowWritten() {
    pending_ += "\r\n";
    constexpr std::size_t kBlock = 256 * 1024;
    if (pending_.size() >= kBlock) flush();
}

void CsvDocument::flush() {
    if (pending_.empty() || !document_.isOpen()) return;
    // The writer ends what it is given with the last CR LF itself.
    pending_.resize(pending_.size() - 2);
    document_.writeLine(pending_);
    pending_.clear();
}

void CsvDocument::writeRow(int setCol, const RowText& row) {
    if (!document_.isOpen()) throw Failure(FailureCode::Other, "Bad file name or number");
    appendMergedRow(pending_, nextWorkLine(), setCol, row);
    wroteRow_ = true;
    rowWritten();
}

void CsvDocument::carryOver() {
    while (!work_.atEnd()) {
        pending_ += nextWorkLine();
        rowWritten();
    }
}

void CsvDocument::finishSet() {
    if (document_.isOpen()) {
        carryOver();
        flush();
    }
    document_.close();
    work_.close();
}

void CsvDocument::closeQuietly() noexcept {
    // Whatever fails here, the work file still holds the document as it
    // was before the set.
    try {
        if (document_.isOpen()) carryOver();
    } catch (...) {
    }
    try {
        flush();
    } catch (...) {
    }
    pending_.clear();
    document_.close();
    work_.close();
    // A run that ends before its first row leaves the previous document
    // where it was.
    if (!wroteRow_ && !keptAs_.empty() && restoreBackup(keptAs_, documentPath_)) keptAs_.clear();
}

void CsvDocument::deleteWorkFile() noexcept {
    deleteFileQuietly(workPath_);
}

} // namespace tz::logger
