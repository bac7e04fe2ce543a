#include "online/value_slice.h"

#include <gtest/gtest.h>

namespace tz {
namespace {

TEST(ValueSlice, QueryReplyOfTwelveCharactersGivesItsFirstNine) {
    EXPECT_EQ(sliceValue("+0012.3456m\r", 1), "+0012.345");
}

TEST(ValueSlice, ShortReplyGivesItselfWithoutItsCarriageReturn) {
    EXPECT_EQ(sliceValue("1.23\r", 1), "1.23");
    EXPECT_EQ(sliceValue("12345678\r", 5), "12345678"); // CR is the ninth character
}

TEST(ValueSlice, DiEntriesTakeCharactersEightToFourteen) {
    const std::string reply = "DI+=   +001234.5 m3\r";
    EXPECT_EQ(sliceValue(reply, 14), "+001234");
    EXPECT_EQ(sliceValue(reply, 15), "+001234");
}

TEST(ValueSlice, DiRuleGoesByTableEntryNotByCommandText) {
    // Entry 3 may send anything; only entries 14 and 15 read further in.
    EXPECT_EQ(sliceValue("ABCDEFGHIJKLMNOP\r", 3), "ABCDEFGHI");
    EXPECT_EQ(sliceValue("ABCDEFGHIJKLMNOP\r", 14), "HIJKLMN");
    EXPECT_EQ(sliceValue("ABCDEFGHIJKLMNOP\r", 16), "ABCDEFGHI");
}

TEST(ValueSlice, DiReplyShorterThanEightCharactersGivesNothing) {
    EXPECT_EQ(sliceValue("ABCDEF\r", 14), "");
    EXPECT_EQ(sliceValue("ABCDEFG\r", 15), ""); // only the CR is at position 8
    EXPECT_EQ(sliceValue("ABCDEFGHI\r", 15), "HI");
}

TEST(ValueSlice, SignsAndBlanksStayRaw) {
    EXPECT_EQ(sliceValue(" -0.5    \r", 1), " -0.5    ");
}

TEST(ValueSlice, CountsCharactersNotBytes) {
    // Latin-1 characters from the line arrive as two-byte UTF-8.
    EXPECT_EQ(sliceValue("\xC2\xB0\xC2\xB0"
                         "1234567890\r",
                         1),
              "\xC2\xB0\xC2\xB0"
              "1234567");
}

TEST(ValueSlice, LineBreaksNeverReachTheValue) {
    EXPECT_EQ(sliceValue("12\r\n34\r", 1), "1234");
}

} // namespace
} // namespace tz
