#pragma once
// One line of the logger's CSV document: the earlier sets' columns, taken
// from the work file, with the current set's own text beside them.
#include <string>
#include <string_view>

namespace tz::logger {

// What a set writes into one row, as it reads with no earlier sets: the
// text, and which of its comma-separated fields are cells the set writes
// (the others are separators only, as the empty column before the units).
struct RowText {
    std::string text;
    int firstCell = 0; // field index of the first cell written
    int cells = 0;     // fields written from there on; 0: none

    static RowText header(std::string line);
    static RowText headerEnd();
    // `unitLine` and `dataLine` hold each cell followed by ",".
    static RowText units(const std::string& unitLine, int unitCount);
    static RowText values(std::string dataLine, int valueCount);
};

// The document line for a row of a set that starts in column `setCol`,
// beside `oldLine`, the matching line of the work file ("" when the work
// file has run out). The old line is brought to setCol - 1 fields, padded
// with empty fields or cut at trailing empty fields only, and the set's
// text follows after a ",". Should the old line hold data at or beyond
// column setCol, the set's cells take their columns as they would in the
// spreadsheet and the old data in columns the set leaves alone stays.
std::string mergeRow(std::string_view oldLine, int setCol, const RowText& row);
// The same, appended to `out`.
void appendMergedRow(std::string& out, std::string_view oldLine, int setCol, const RowText& row);

} // namespace tz::logger
