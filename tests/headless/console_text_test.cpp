#include "headless/console_text.h"

#include <gtest/gtest.h>

namespace tz {
namespace {

// What the transfers print, as a console in code page 850 or 437 can show
// it: the marks in ASCII, the letters of the names untouched.
TEST(ConsoleText, TypographicMarksBecomeAsciiAndLettersStay) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"3 rows \u2192 C:\\Data\\Durchflu\u00DF.csv", "3 rows -> C:\\Data\\Durchflu\u00DF.csv"},
        {"Set 1 of 3 \u2014 No.02, 4 of 148", "Set 1 of 3 - No.02, 4 of 148"},
        {"Stopped \u2013 \u201Cwait\u201D\u2026", "Stopped - \"wait\"..."},
        {"plain ASCII, unchanged", "plain ASCII, unchanged"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plainMarks(c.in), c.out);
}

} // namespace
} // namespace tz
