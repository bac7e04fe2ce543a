#include "app/document_copies.h"

#include "platform/failure.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace tz {
namespace {

namespace fs = std::filesystem;

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

std::time_t at(int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

TEST(DocumentCopies, EachStartKeepsTheDocumentItFindsAndTheLastTwentyStay) {
    const test::TempDir dir("tz-copies");
    const std::string doc = dir.file("Tidewell.csv");
    // Not copies: another document's, a name that only looks dated.
    test::writeFile(dir.file("Other.2026-12-08T05-00-00.csv"), "x");
    test::writeFile(dir.file("Tidewell.2026-12-08T05-00-00.csv.bak"), "x");

    EXPECT_EQ(backUpFile(doc, at(6, 0, 0)), ""); // nothing to keep yet
    for (int run = 0; run < 23; ++run) {
        test::writeFile(doc, "run " + std::to_string(run));
        // Runs 21 and 22 start within the second of run 20.
        const std::string copy = backUpFile(doc, at(6, 3, std::min(run, 20)));
        EXPECT_EQ(test::readFile(copy), "run " + std::to_string(run));
        EXPECT_FALSE(fs::exists(doc));
    }
    const auto names = namesIn(dir.path());
    EXPECT_EQ(names.size(), 20u + 2u);
    // The three oldest went, oldest first; the same second's copies count up.
    EXPECT_EQ(names.count("Tidewell.2026-12-08T06-03-02.csv"), 0u);
    EXPECT_EQ(test::readFile(dir.file("Tidewell.2026-12-08T06-03-03.csv")), "run 3");
    EXPECT_EQ(test::readFile(dir.file("Tidewell.2026-12-08T06-03-20_3.csv")), "run 22");
    EXPECT_EQ(names.count("Other.2026-12-08T05-00-00.csv"), 1u);
    EXPECT_EQ(names.count("Tidewell.2026-12-08T05-00-00.csv.bak"), 1u);

    // Back in place when the start wrote nothing.
    test::writeFile(doc, "header only");
    EXPECT_TRUE(restoreBackup(dir.file("Tidewell.2026-12-08T06-03-20_3.csv"), doc));
    EXPECT_EQ(test::readFile(doc), "run 22");
}

TEST(DocumentCopies, AFolderIsLeftAloneAndAFailedRenameNamesBothAndMovesNothing) {
    const test::TempDir dir("tz-copies");
    fs::create_directories(dir.path() / "Folder.csv");
    EXPECT_EQ(backUpFile(dir.file("Folder.csv")), "");
    EXPECT_TRUE(fs::is_directory(dir.path() / "Folder.csv"));

    // The copy's name is too long for the file system.
    const std::string doc = dir.file(std::string(245, 'd') + ".csv");
    test::writeFile(doc, "rows");
    try {
        backUpFile(doc);
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find(doc), std::string::npos) << f.what();
    }
    EXPECT_EQ(test::readFile(doc), "rows");
}

} // namespace
} // namespace tz
