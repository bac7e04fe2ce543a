#pragma once
// The layout of a logger data set: header and value lines become cells at
// their rows and columns, handed to the set's sink (set_sink.h).
#include "logger/set_sink.h"

#include <string_view>

namespace tz::logger {

class Records {
  public:
    explicit Records(SetSink& sink) : sink_(sink) {}

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
    SetSink& sink_;
    int unitCol_ = 1;
    int values_ = 0;
};

} // namespace tz::logger
