#include "logger/record_rules.h"

#include "app/text.h"

#include <gtest/gtest.h>

namespace tz::logger {
namespace {

std::string value(const std::string& line) {
    return text::encode(valueText(text::decode(line)));
}
std::string unit(const std::string& line) {
    return text::encode(unitText(text::decode(line)));
}

TEST(ValueCell, SignedLineWithDigitSecondTakesTheFirstNineCharacters) {
    EXPECT_EQ(value("+1234.567 m3/h"), "+1234.567");
    EXPECT_EQ(value("-0001.250 m/s"), "-0001.250");
    EXPECT_EQ(value("+12.3"), "+12.3"); // a short line gives what it has
}

TEST(ValueCell, OtherSignedLineTakesTheEighthToFourteenthCharacters) {
    EXPECT_EQ(value(" FLOW  +12.345 m/s"), "+12.345");
    EXPECT_EQ(value("+ABCDEF123"), "123"); // ten characters: its last three
    EXPECT_EQ(value("+ABCDEF"), "");       // fewer than eight: nothing
}

TEST(ValueCell, UnsignedLineIsPrefixedWithABlank) {
    EXPECT_EQ(value("06/01/23 10:00"), " 06/01/23 10:00");
    EXPECT_EQ(value("x"), " x");
}

TEST(ValueCell, CharactersAreCountedNotBytes) {
    // Degree signs are two bytes in UTF-8 but one character on the line.
    EXPECT_EQ(value("+\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0"
                    "1234567XYZ"),
              "1234567");
    EXPECT_EQ(value("+12\xC2\xB0"
                    "5678901"),
              "+12\xC2\xB0"
              "56789");
}

TEST(UnitCell, HighTwelfthCharacterTakesTheTailBehindTheLastDigit) {
    // "+0018.500  °C": the degree sign is the 12th character.
    EXPECT_EQ(unit("+0018.500  \xC2\xB0"
                   "C"),
              "  \xC2\xB0"
              "C");
    // The tail may start with a blank, and is empty behind a final digit.
    EXPECT_EQ(unit("+12 456789 \xC2\xA0"
                   "5 kg"),
              " kg");
    EXPECT_EQ(unit("+12 456789 \xC2\xA0"
                   "5"),
              "");
}

TEST(UnitCell, TwelfthCharacterJustBelowCode160DoesNotCount) {
    // U+009F is below the line; the second character is a digit, so the
    // unit is the tail behind the last blank.
    EXPECT_EQ(unit("+1234.567  \xC2\x9F"
                   "x m"),
              "m");
    // U+00A0 itself is at the line: the tail behind the last digit.
    EXPECT_EQ(unit("+1234.567  \xC2\xA0"
                   "x m"),
              "  \xC2\xA0"
              "x m");
}

TEST(UnitCell, DigitSecondTakesTheTailBehindTheLastBlank) {
    EXPECT_EQ(unit("+1234.567 m3/h"), "m3/h");
    EXPECT_EQ(unit("+1234.567 m3/h "), "");
}

TEST(UnitCell, OtherLinesGetTheFirstSixCharactersInParentheses) {
    EXPECT_EQ(unit(" FLOW  +12.345 m/s"), "( FLOW ) m/s");
    EXPECT_EQ(unit("-LEVEL_+00.12345m"), "(-LEVEL)45m");
}

TEST(UnitCell, LineWithoutDigitUnderTheFirstRuleIsItsOwnUnit) {
    const std::string line = "+ABCDEFGHIJ\xC2\xB0xyz";
    EXPECT_EQ(unit(line), line);
}

TEST(UnitCell, LineWithoutBlankUnderTheSecondRuleIsItsOwnUnit) {
    EXPECT_EQ(unit("+1234.567m3/h"), "+1234.567m3/h");
}

TEST(UnitCell, ShortLineUnderTheThirdRuleTakesWhatThereIs) {
    EXPECT_EQ(unit(" FLOW  +12.34"), "( FLOW )");  // 13 characters
    EXPECT_EQ(unit(" FLOW  +12.345"), "( FLOW )"); // 14: nothing from the 15th on
    EXPECT_EQ(unit("-ab"), "(-ab)");
    EXPECT_EQ(unit("+"), "(+)");
}

} // namespace
} // namespace tz::logger
