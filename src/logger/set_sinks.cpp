#include "logger/set_sink.h"

namespace tz::logger {

void WorkbookSetSink::headerCell(int row, int col, const std::string& text) {
    link_.writeCellWaiting(row, col, text);
}

void WorkbookSetSink::unitCell(int row, int col, const std::string& text) {
    link_.writeCellWaiting(row, col, text);
}

void WorkbookSetSink::valueCell(int row, int col, const std::string& text) {
    link_.writeCellWaiting(row, col, text);
}

CsvSetSink::CsvSetSink(const std::string& workPath, const std::string& documentPath)
    : csv_(workPath) {
    csv_.prepareRun(documentPath);
}

void CsvSetSink::headerCell(int, int col, const std::string& text) {
    csv_.writeRow(col, RowText::header(text));
}

void CsvSetSink::headerEnd(int setCol) {
    csv_.writeRow(setCol, RowText::headerEnd());
}

void CsvSetSink::startRecord() {
    unitLine_.clear();
    dataLine_.clear();
    units_ = 0;
    values_ = 0;
}

void CsvSetSink::unitCell(int, int, const std::string& text) {
    unitLine_ += text;
    unitLine_ += ',';
    ++units_;
}

void CsvSetSink::valueCell(int, int, const std::string& text) {
    dataLine_ += text;
    dataLine_ += ',';
    ++values_;
}

void CsvSetSink::recordEnd(int setCol, bool first) {
    if (first) csv_.writeRow(setCol, RowText::units(unitLine_, units_));
    csv_.writeRow(setCol, RowText::values(dataLine_, values_));
}

} // namespace tz::logger
