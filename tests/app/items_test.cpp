#include "app/items.h"

#include "platform/failure.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tz {
namespace {

std::vector<std::string> allItems(const std::string& text) {
    ItemReader reader(text);
    std::vector<std::string> items;
    while (!reader.atEnd())
        items.push_back(reader.readText());
    return items;
}

using Items = std::vector<std::string>;

TEST(ItemSyntax, QuotedItemKeepsCommasAndBlanksWithoutItsQuotes) {
    EXPECT_EQ(allItems("\"9600,E,7, 1\",Flow\r\n"), (Items{"9600,E,7, 1", "Flow"}));
    EXPECT_EQ(allItems("\"C:\\My Files\\a,b.xls\"\r\n"), (Items{"C:\\My Files\\a,b.xls"}));
}

TEST(ItemSyntax, UnquotedItemRunsToCommaOrLineEnd) {
    EXPECT_EQ(allItems("Flow rate,Total\r\nLevel\r\n"), (Items{"Flow rate", "Total", "Level"}));
}

TEST(ItemSyntax, BlanksInFrontOfAnItemAreSkipped) {
    EXPECT_EQ(allItems("  Flow,\t \"Total\",   x\r\n"), (Items{"Flow", "Total", "x"}));
}

TEST(ItemSyntax, BlankLineWhereAnItemIsExpectedGivesAnEmptyItem) {
    EXPECT_EQ(allItems("a\r\n\r\nb\r\n"), (Items{"a", "", "b"}));
    EXPECT_EQ(allItems("a,,b\r\n"), (Items{"a", "", "b"}));
}

TEST(ItemSyntax, LfAndLoneCrEndLinesLikeCrLf) {
    EXPECT_EQ(allItems("a\nb\n\nc"), (Items{"a", "b", "", "c"}));
    EXPECT_EQ(allItems("a\rb\r"), (Items{"a", "b"}));
}

TEST(ItemSyntax, EndOfFileIsReachedRightAfterTheLastLineEnd) {
    ItemReader reader("\"x\"\r\n");
    EXPECT_FALSE(reader.atEnd());
    EXPECT_EQ(reader.readText(), "x");
    EXPECT_TRUE(reader.atEnd());
    EXPECT_TRUE(ItemReader("").atEnd());
    // A trailing blank line is one more (empty) item, not the end.
    ItemReader trailing("x\r\n\r\n");
    trailing.readText();
    EXPECT_FALSE(trailing.atEnd());
}

TEST(ItemSyntax, TextAfterAClosingQuoteIsNotPartOfAnyItem) {
    EXPECT_EQ(allItems("\"a\"junk ,b\r\n"), (Items{"a", "b"}));
}

TEST(ItemSyntax, MissingClosingQuoteEndsTheItemAtTheLineEnd) {
    EXPECT_EQ(allItems("\"9600,N,8,1\r\nFlow\r\n"), (Items{"9600,N,8,1", "Flow"}));
}

TEST(ItemSyntax, ReadingPastTheEndIsTheInputPastEndFailure) {
    ItemReader reader("only\r\n");
    reader.readText();
    try {
        reader.readText();
        FAIL() << "read past the end";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::InputPastEnd);
    }
    try {
        ItemReader("").readInt16();
        FAIL() << "read past the end";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::InputPastEnd);
    }
}

TEST(ItemSyntax, NumberItemsAreSixteenBitDecimals) {
    ItemReader reader("1,-5,32767,-32768,\"7\", 9 \r\n");
    EXPECT_EQ(reader.readInt16(), 1);
    EXPECT_EQ(reader.readInt16(), -5);
    EXPECT_EQ(reader.readInt16(), 32767);
    EXPECT_EQ(reader.readInt16(), -32768);
    EXPECT_EQ(reader.readInt16(), 7);
    EXPECT_EQ(reader.readInt16(), 9);
    EXPECT_TRUE(reader.atEnd());
}

TEST(ItemSyntax, AnythingElseWhereANumberIsExpectedIsAFailureOfItsOwn) {
    for (const char* bad :
         {"32768", "-32769", "99999999999999999999", "COM1", "1.5", "+3", "", "-", "1 2"}) {
        ItemReader reader(std::string(bad) + "\r\n");
        try {
            reader.readInt16();
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const Failure& f) {
            EXPECT_EQ(f.code(), FailureCode::Other) << bad;
        }
    }
}

TEST(ItemSyntax, QuotedItemIsWrittenBetweenQuotesUnchanged) {
    EXPECT_EQ(quotedItem("C:\\a b,c.xls"), "\"C:\\a b,c.xls\"");
    EXPECT_EQ(ItemReader(quotedItem(" lead, and trail ")).readText(), " lead, and trail ");
}

class ItemFile : public ::testing::Test {
  protected:
    std::string path(const char* name) const { return dir_.file(name); }
    test::TempDir dir_{"tz-items"};
};

TEST_F(ItemFile, MissingFileIsFileNotFound) {
    try {
        ItemReader::fromFile(path("none.ini"));
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::FileNotFound);
    }
}

TEST_F(ItemFile, FolderInPlaceOfTheFileIsAFailureOfItsOwn) {
    std::filesystem::create_directory(path("Twell.ini"));
    try {
        ItemReader::fromFile(path("Twell.ini"));
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::Other);
    }
}

TEST_F(ItemFile, ByteOrderMarkDoesNotHideTheFirstQuote) {
    std::ofstream(path("Twell.ini"), std::ios::binary) << "\xEF\xBB\xBF\"9600,N,8,1\"\r\nFlow\r\n";
    ItemReader reader = ItemReader::fromFile(path("Twell.ini"));
    EXPECT_EQ(reader.readText(), "9600,N,8,1");
    EXPECT_EQ(reader.readText(), "Flow");
    EXPECT_TRUE(reader.atEnd());
}

} // namespace
} // namespace tz
