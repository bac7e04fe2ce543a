#pragma once
// Header and value lines of a logger data set become cells: written into
// the linked workbook one by one, or gathered per row for the CSV document.
#include "logger/csv_document.h"

#include <functional>
#include <string>
#include <string_view>

namespace tz::logger {

class Records {
  public:
    // One cell into the workbook (row, column, text).
    using CellWriter = std::function<void(int, int, const std::string&)>;

    // Spreadsheet output.
    explicit Records(CellWriter writeCell) : writeCell_(std::move(writeCell)) {}
    // CSV output.
    explicit Records(CsvDocument& csv) : csv_(&csv) {}

    void headerLine(std::u32string_view line, int outRow, int setCol);
    // The empty line after the header: a row of its own in the document.
    void headerEnd(int setCol);
    void startRecord(int setCol);
    // Values go to column nextCol, which moves on by one; the units of the
    // first record's signed lines go one row up, one column right of where
    // the previous unit went.
    void valueLine(std::u32string_view line, int outRow, int recNo, int& nextCol);
    // The record's row (and, for the first record, the unit row before it)
    // into the document.
    void recordEnd(int setCol, int recNo);

    int values() const { return values_; }

  private:
    CellWriter writeCell_;
    CsvDocument* csv_ = nullptr;
    int unitCol_ = 1;
    std::string unitLine_;
    std::string dataLine_;
    int units_ = 0;
    int values_ = 0;
};

} // namespace tz::logger
