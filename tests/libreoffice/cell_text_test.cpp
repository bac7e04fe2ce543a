#include "backends/libreoffice/cell_text.h"

#include <gtest/gtest.h>

namespace tz::calc {
namespace {

TEST(CellNumbers, InstrumentValuesBecomeNumbers) {
    EXPECT_DOUBLE_EQ(*numberFromCellText("+0012.345"), 12.345);
    EXPECT_DOUBLE_EQ(*numberFromCellText("-0000.120"), -0.12);
    EXPECT_DOUBLE_EQ(*numberFromCellText("   42   "), 42.0);
    EXPECT_DOUBLE_EQ(*numberFromCellText("\t7\t"), 7.0);
    EXPECT_DOUBLE_EQ(*numberFromCellText("1.5E-3"), 0.0015);
    EXPECT_DOUBLE_EQ(*numberFromCellText("-2e+2"), -200.0);
    EXPECT_DOUBLE_EQ(*numberFromCellText("5."), 5.0);
    EXPECT_DOUBLE_EQ(*numberFromCellText(".5"), 0.5);
    EXPECT_DOUBLE_EQ(*numberFromCellText("0"), 0.0);
}

TEST(CellNumbers, DatesTimesAndWordsStayText) {
    for (const char* text : {"06/01/23", "12:00:01", "TIME", "m3/h", "1,5", "1 000", "12a"})
        EXPECT_FALSE(numberFromCellText(text).has_value()) << text;
}

TEST(CellNumbers, FormulasStayText) {
    EXPECT_FALSE(numberFromCellText("=1+1").has_value());
    EXPECT_FALSE(numberFromCellText("=SUM(A1:A3)").has_value());
    EXPECT_FALSE(numberFromCellText("1+1").has_value());
}

TEST(CellNumbers, BareSignsDotsAndExponentsAreNotNumbers) {
    for (const char* text :
         {"", " ", "+", "-", ".", "+.", "-.e1", "1e", "1e+", "e5", "++1", "1.2.3"})
        EXPECT_FALSE(numberFromCellText(text).has_value()) << '"' << text << '"';
}

TEST(CellNumbers, SpecialFloatingFormsStayText) {
    for (const char* text : {"inf", "-INF", "nan", "NaN", "infinity", "0x1A", "1e999", "-1e999"})
        EXPECT_FALSE(numberFromCellText(text).has_value()) << text;
}

} // namespace
} // namespace tz::calc
