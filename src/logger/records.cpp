#include "logger/records.h"

#include "app/text.h"
#include "logger/record_rules.h"

namespace tz::logger {

void Records::headerLine(std::u32string_view line, int outRow, int setCol) {
    sink_.headerCell(outRow, setCol, text::encode(line));
}

void Records::headerEnd(int setCol) {
    sink_.headerEnd(setCol);
}

void Records::startRecord(int setCol) {
    values_ = 0;
    unitCol_ = setCol;
    sink_.startRecord();
}

void Records::valueLine(std::u32string_view line, int outRow, int recNo, int& nextCol) {
    if (isSignedLine(line) && recNo <= 1) {
        sink_.unitCell(outRow - 1, unitCol_ + 1, text::encode(unitText(line)));
        ++unitCol_;
    }
    const ValueCell v = valueCell(line);
    std::string cell;
    if (v.blank) cell += ' ';
    for (char32_t c : v.part)
        text::appendChar(cell, c);
    sink_.valueCell(outRow, nextCol, cell);
    ++nextCol;
    ++values_;
}

void Records::recordEnd(int setCol, int recNo) {
    sink_.recordEnd(setCol, recNo <= 1);
}

} // namespace tz::logger
