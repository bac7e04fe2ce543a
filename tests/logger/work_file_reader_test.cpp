#include "logger/work_file_reader.h"

#include "platform/failure.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tz::logger {
namespace {

// A work file holding `bytes` in a scratch folder.
struct WorkFile {
    explicit WorkFile(const std::string& bytes) { test::writeFile(path, bytes); }
    test::TempDir dir{"tz-work"};
    std::string path = dir.file("Work.csv");
};

std::vector<std::string> allLines(const std::string& bytes) {
    WorkFile f(bytes);
    WorkFileReader r;
    r.open(f.path);
    std::vector<std::string> out;
    while (!r.atEnd())
        out.push_back(r.readLine());
    return out;
}

TEST(WorkFileReader, LinesEndAtCrOrCrLfAndALineFeedAloneIsACharacter) {
    EXPECT_EQ(allLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c\nd"}));
    EXPECT_EQ(allLines("a\r\n\r\n,\r\n"), (std::vector<std::string>{"a", "", ","}));
    EXPECT_EQ(allLines("H1\r\n\nH2\r\n"), (std::vector<std::string>{"H1", "\nH2"}));
    EXPECT_TRUE(allLines("").empty());
}

TEST(WorkFileReader, LinesLongerThanABlockAndCrLfAcrossBlocksAreWhole) {
    // The CR of the first line ends one 64 KiB block, its LF starts the next.
    const std::string first(64 * 1024 - 1, 'x');
    const std::string second(200 * 1024, 'y');
    const auto lines = allLines(first + "\r\n" + second + "\r\nz\r\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], first);
    EXPECT_EQ(lines[1], second);
    EXPECT_EQ(lines[2], "z");
}

TEST(WorkFileReader, ReadingPastTheEndGivesEmptyLines) {
    WorkFile f("only\r\n");
    WorkFileReader r;
    r.open(f.path);
    EXPECT_EQ(r.readLine(), "only");
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(r.readLine(), "");
}

TEST(WorkFileReader, MissingFileIsFileNotFound) {
    WorkFileReader r;
    try {
        const test::TempDir dir("tz-work");
        r.open(dir.file("no-such-folder/Work.csv"));
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::FileNotFound);
    }
    EXPECT_FALSE(r.isOpen());
    EXPECT_TRUE(r.atEnd());
}

} // namespace
} // namespace tz::logger
