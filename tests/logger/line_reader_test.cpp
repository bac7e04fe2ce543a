#include "logger/line_reader.h"

#include "app/text.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace tz::logger {
namespace {

struct Stopped {};

// Input that arrives in given pieces, then falls silent.
struct Pieces : InputSource {
    std::deque<std::string> pieces;
    LineReader* reader = nullptr;
    int waits = 0, keepAlives = 0;
    bool stopWhenEmpty = false;
    bool receiveMore() override {
        ++waits;
        if (pieces.empty() && stopWhenEmpty) throw Stopped{};
        if (pieces.empty()) return false;
        reader->append(pieces.front());
        pieces.pop_front();
        return true;
    }
    void keepAlive() override { ++keepAlives; }
};

struct Fixture {
    Pieces src;
    LineReader reader{src};
    explicit Fixture(std::deque<std::string> p) {
        src.pieces = std::move(p);
        src.reader = &reader;
    }
    std::string line() { return text::encode(reader.readLine().line); }
};

TEST(LineReader, ANewSetStartsWithoutTheLastSetsUnfinishedLine) {
    Fixture f({"+1.0"});
    f.src.stopWhenEmpty = true; // "Stop Xfer" in the wait after the piece
    EXPECT_THROW(f.reader.readLine(), Stopped);
    f.reader.startSet();
    f.src.pieces = {"+2.0\r"};
    EXPECT_EQ(f.line(), "+2.0");
    EXPECT_EQ(f.reader.readPos(), 6u);
    EXPECT_EQ(f.reader.received(), 5u);
}

TEST(LineReader, LineFeedsAreDroppedAndNeverSplitALine) {
    Fixture f({"a\r\nb\r+12\n34.5 m3\r\n\n\r", "x\n", "y"});
    EXPECT_EQ(f.line(), "a");
    EXPECT_EQ(f.line(), "b");
    EXPECT_EQ(f.line(), "+1234.5 m3");
    EXPECT_EQ(f.line(), "");
    const ReadLine& cut = f.reader.readLine();
    EXPECT_EQ(text::encode(cut.line), "xy");
    EXPECT_TRUE(cut.silent);
}

TEST(LineReader, Latin1CharactersCountAsOneEach) {
    Fixture f({"+18.5 \xC2\xB0"
               "C\r"});
    EXPECT_EQ(f.line(), "+18.5 \xC2\xB0"
                        "C");
    EXPECT_EQ(f.reader.received(), 9u);
}

TEST(LineReader, LongTextLetsEventsRunWhileItIsRead) {
    std::string big;
    for (int i = 0; i < 5000; ++i)
        big += "+0001.000 m3/h\r";
    Fixture f({big});
    int lines = 0;
    while (!f.reader.readLine().line.empty())
        ++lines;
    EXPECT_EQ(lines, 5000);
    EXPECT_GE(f.src.keepAlives, static_cast<int>(big.size() / LineReader::kKeepAliveEvery));
}

TEST(LineReader, PositionsCountTheWholeSetAfterEarlyTextIsDropped) {
    // Enough text that the reader drops what it has read already.
    const std::string line(99, 'x');
    std::deque<std::string> pieces;
    for (int i = 0; i < 3000; ++i)
        pieces.push_back(line + "\r");
    Fixture f(pieces);
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(f.line(), line);
    EXPECT_EQ(f.reader.received(), 300000u);
    EXPECT_EQ(f.reader.readPos(), 300001u);
}

} // namespace
} // namespace tz::logger
