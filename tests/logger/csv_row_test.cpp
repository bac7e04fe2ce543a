#include "logger/csv_row.h"

#include <gtest/gtest.h>

namespace tz::logger {
namespace {

TEST(CsvRow, SetCellsLandInTheirColumnsWhatEverTheOldLineHolds) {
    // Units of the earlier set reach into the set's columns: its first
    // column gets no unit from the set, so the old one stays there.
    EXPECT_EQ(mergeRow(",u1,u2,u3,,", 3, RowText::units("U1,", 1)), ",u1,u2,U1,,");
    // An earlier longer record reaches into the set's columns: the set's
    // values take their columns, the rest of the old record stays.
    EXPECT_EQ(mergeRow("a,b,c,d,e,", 3, RowText::values("1,", 1)), "a,b,1,d,e");
    // The empty line after the header writes no cell.
    EXPECT_EQ(mergeRow("a,b,c", 2, RowText::headerEnd()), "a,b,c");
}

TEST(CsvRow, UnitsWithCommasAreCellsOfTheUnitRow) {
    const RowText r = RowText::units("a,b,c,", 2); // "a,b" and "c"
    EXPECT_EQ(r.firstCell, 1);
    EXPECT_EQ(r.cells, 3);
    EXPECT_EQ(RowText::values(",", 1).cells, 1); // one empty value is still a cell
    EXPECT_EQ(RowText::values("", 0).cells, 0);
}

} // namespace
} // namespace tz::logger
