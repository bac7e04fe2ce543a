#include "online/value_slice.h"

#include <gtest/gtest.h>

namespace tz {
namespace {

TEST(ValueSlice, FirstNineCharactersOrForTheDiEntriesTheEighthToFourteenth) {
    struct Case {
        const char* why;
        const char* reply;
        int entry;
        const char* value;
    };
    const char* const kLetters = "ABCDEFGHIJKLMNOP\r";
    for (const Case& c : {
             Case{"query reply of twelve", "+0012.3456m\r", 1, "+0012.345"},
             Case{"short reply without its CR", "1.23\r", 1, "1.23"},
             Case{"CR as the ninth character", "12345678\r", 5, "12345678"},
             Case{"DI+ entry", "DI+=   +001234.5 m3\r", 14, "+001234"},
             Case{"DI- entry", "DI+=   +001234.5 m3\r", 15, "+001234"},
             // The rule goes by table entry, not by command text.
             Case{"entry 3 sends anything", kLetters, 3, "ABCDEFGHI"},
             Case{"entry 14 reads further in", kLetters, 14, "HIJKLMN"},
             Case{"entry 16 does not", kLetters, 16, "ABCDEFGHI"},
             Case{"DI reply under eight", "ABCDEF\r", 14, ""},
             Case{"only the CR at eight", "ABCDEFG\r", 15, ""},
             Case{"DI reply of nine", "ABCDEFGHI\r", 15, "HI"},
             Case{"signs and blanks stay raw", " -0.5    \r", 1, " -0.5    "},
             // Latin-1 characters from the line arrive as two-byte UTF-8.
             Case{"characters, not bytes",
                  "\xC2\xB0\xC2\xB0"
                  "1234567890\r",
                  1,
                  "\xC2\xB0\xC2\xB0"
                  "1234567"},
             Case{"line breaks never reach the value", "12\r\n34\r", 1, "1234"},
         }) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(sliceValue(c.reply, c.entry), c.value);
    }
}

} // namespace
} // namespace tz
