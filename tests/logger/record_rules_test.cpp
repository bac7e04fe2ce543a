#include "logger/record_rules.h"

#include "app/text.h"

#include <gtest/gtest.h>

namespace tz::logger {
namespace {

struct Case {
    const char* why;
    const char* line;
    const char* cell;
};

TEST(ValueCell, SignedLinesGiveTheirNumberAndUnsignedOnesABlankInFront) {
    for (const Case& c : {
             Case{"digit second: first nine", "+1234.567 m3/h", "+1234.567"},
             Case{"digit second, negative", "-0001.250 m/s", "-0001.250"},
             Case{"digit second, short line", "+12.3", "+12.3"},
             Case{"other signed: 8th to 14th", " FLOW  +12.345 m/s", "+12.345"},
             Case{"other signed of ten", "+ABCDEF123", "123"},
             Case{"other signed under eight", "+ABCDEF", ""},
             Case{"unsigned", "06/01/23 10:00", " 06/01/23 10:00"},
             Case{"unsigned of one", "x", " x"},
             // Degree signs are two bytes in UTF-8 but one character on the line.
             Case{"characters, other signed",
                  "+\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0"
                  "1234567XYZ",
                  "1234567"},
             Case{"characters, digit second",
                  "+12\xC2\xB0"
                  "5678901",
                  "+12\xC2\xB0"
                  "56789"},
         }) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(text::encode(valueText(text::decode(c.line))), c.cell);
    }
}

TEST(UnitCell, EachOfTheThreeRulesAndWhatTheyDoWithoutTheirAnchor) {
    const std::string noDigit = "+ABCDEFGHIJ\xC2\xB0xyz";
    for (const Case& c : {
             // A twelfth character of code 160 or more: the tail behind the
             // last digit, which may start with a blank.
             Case{"degree sign twelfth",
                  "+0018.500  \xC2\xB0"
                  "C",
                  "  \xC2\xB0"
                  "C"},
             Case{"high twelfth, blank tail",
                  "+12 456789 \xC2\xA0"
                  "5 kg",
                  " kg"},
             Case{"high twelfth, final digit",
                  "+12 456789 \xC2\xA0"
                  "5",
                  ""},
             Case{"U+00A0 twelfth",
                  "+1234.567  \xC2\xA0"
                  "x m",
                  "  \xC2\xA0"
                  "x m"},
             Case{"no digit under the first rule", noDigit.c_str(), noDigit.c_str()},
             // U+009F is below the line: a digit second gives the tail
             // behind the last blank.
             Case{"U+009F twelfth",
                  "+1234.567  \xC2\x9F"
                  "x m",
                  "m"},
             Case{"digit second", "+1234.567 m3/h", "m3/h"},
             Case{"digit second, final blank", "+1234.567 m3/h ", ""},
             Case{"digit second without a blank", "+1234.567m3/h", "+1234.567m3/h"},
             // Other lines: the first six characters in parentheses, then
             // what stands from the 15th on.
             Case{"other line", " FLOW  +12.345 m/s", "( FLOW ) m/s"},
             Case{"other line, no blank", "-LEVEL_+00.12345m", "(-LEVEL)45m"},
             Case{"other line of 13", " FLOW  +12.34", "( FLOW )"},
             Case{"other line of 14", " FLOW  +12.345", "( FLOW )"},
             Case{"other line of 3", "-ab", "(-ab)"},
             Case{"sign alone", "+", "(+)"},
         }) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(text::encode(unitText(text::decode(c.line))), c.cell);
    }
}

} // namespace
} // namespace tz::logger
