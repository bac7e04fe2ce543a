#include "logger/records.h"

#include "app/text.h"
#include "logger/record_rules.h"

namespace tz::logger {

void Records::headerLine(std::u32string_view line, int outRow, int setCol) {
    std::string text = text::encode(line);
    if (csv_)
        csv_->writeRow(setCol, RowText::header(std::move(text)));
    else
        writeCell_(outRow, setCol, text);
}

void Records::headerEnd(int setCol) {
    if (csv_) csv_->writeRow(setCol, RowText::headerEnd());
}

void Records::startRecord(int setCol) {
    unitLine_.clear();
    dataLine_.clear();
    units_ = 0;
    values_ = 0;
    unitCol_ = setCol;
}

void Records::valueLine(std::u32string_view line, int outRow, int recNo, int& nextCol) {
    if (isSignedLine(line) && recNo <= 1) {
        const std::string unit = text::encode(unitText(line));
        if (!csv_) writeCell_(outRow - 1, unitCol_ + 1, unit);
        ++unitCol_;
        unitLine_ += unit;
        unitLine_ += ',';
        ++units_;
    }
    const ValueCell v = valueCell(line);
    const std::size_t from = dataLine_.size();
    if (v.blank) dataLine_ += ' ';
    for (char32_t c : v.part)
        text::appendChar(dataLine_, c);
    if (!csv_) writeCell_(outRow, nextCol, dataLine_.substr(from));
    dataLine_ += ',';
    ++nextCol;
    ++values_;
}

void Records::recordEnd(int setCol, int recNo) {
    if (!csv_) return;
    if (recNo <= 1) csv_->writeRow(setCol, RowText::units(unitLine_, units_));
    csv_->writeRow(setCol, RowText::values(dataLine_, values_));
}

} // namespace tz::logger
