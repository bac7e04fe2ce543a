// File helpers of the transfers on Windows, where the C++ library of
// mingw-w64 behaves differently from Linux.
#include "app/text_file.h"

#include "platform/failure.h"
#include "win32_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace tz::test {
namespace {

TEST(WindowsFiles, CopyReplacesAnExistingDestination) {
    ScratchFolder folder;
    const std::string doc = folder.path() + "Flow.csv";
    const std::string work = folder.path() + "Work.csv";
    writeFile(doc, "H1\r\n,\r\n");
    writeFile(work, "an older document\r\n");
    copyFileReplacing(doc, work);
    EXPECT_EQ(readFile(work), "H1\r\n,\r\n");
    EXPECT_EQ(readFile(doc), "H1\r\n,\r\n");
}

TEST(WindowsFiles, CopyCreatesAMissingDestination) {
    ScratchFolder folder;
    writeFile(folder.path() + "a.csv", "x\r\n");
    copyFileReplacing(folder.path() + "a.csv", folder.path() + "b.csv");
    EXPECT_EQ(readFile(folder.path() + "b.csv"), "x\r\n");
}

TEST(WindowsFiles, CopyOfAMissingSourceIsFileNotFoundAndKeepsTheDestination) {
    ScratchFolder folder;
    writeFile(folder.path() + "Work.csv", "kept\r\n");
    try {
        copyFileReplacing(folder.path() + "Missing.csv", folder.path() + "Work.csv");
        FAIL() << "copied a file that does not exist";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::FileNotFound);
    }
    EXPECT_EQ(readFile(folder.path() + "Work.csv"), "kept\r\n");
}

TEST(WindowsFiles, CopyIntoAMissingFolderFailsWithADescription) {
    ScratchFolder folder;
    writeFile(folder.path() + "a.csv", "x\r\n");
    try {
        copyFileReplacing(folder.path() + "a.csv", folder.path() + "no\\such\\b.csv");
        FAIL() << "copied into a folder that does not exist";
    } catch (const Failure& f) {
        EXPECT_NE(f.description().find("b.csv"), std::string::npos) << f.description();
    }
}

} // namespace
} // namespace tz::test
