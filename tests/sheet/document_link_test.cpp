#include "sheet/document_link.h"

#include "fake_host.h"
#include "fake_sheet.h"
#include "scratch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace tz {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace fs = std::filesystem;

// ---- names, items and texts -------------------------------------------

#ifdef _WIN32
#define SEP "\\"
#else
#define SEP "/"
#endif

TEST(DocumentNames, DocumentNameFollowsTheLastSeparatorAndItsBaseEndsBeforeTheLastDot) {
    for (const auto& [path, name] : std::vector<std::pair<std::string, std::string>>{
             {SEP "op" SEP "Tidewell" SEP "Tidewell.xls", "Tidewell.xls"},
             {SEP "op" SEP "run 2.ods", "run 2.ods"},
             {SEP "op" SEP, ""},
             {"Tidewell.xls", ""}, // no separator
             {"", ""},
#ifndef _WIN32
             {"/data/a\\b.xls", "a\\b.xls"}, // a backslash is part of a Linux file name
#endif
         })
        EXPECT_EQ(DocumentLink::documentName(path), name) << path;
    for (const auto& [name, base] : std::vector<std::pair<std::string, std::string>>{
             {"Tidewell.xls", "Tidewell"},
             {"run.2023.xls", "run.2023"},
             {".xls", ""},
             {"Tidewell", "Tidewell"}, // without a dot, its own base name
             {"", ""},
         })
        EXPECT_EQ(DocumentLink::baseName(name), base) << name;
}

TEST(DocumentNames, OpenWindowTitlesNameTheDocumentAndItsBase) {
    const auto titles = DocumentLink::openWindowTitles("Tidewell.xls");
    ASSERT_GE(titles.size(), 2u);
    EXPECT_EQ(titles[0], "Microsoft Excel - Tidewell.xls");
    EXPECT_EQ(titles[1], "Microsoft Excel - Tidewell");
#ifndef _WIN32
    EXPECT_THAT(titles, ::testing::Contains("Tidewell.xls - LibreOffice Calc"));
#endif
}

// ---- the document checks ----------------------------------------------

class DocumentChecks : public ::testing::Test {
  protected:
    void SetUp() override { host.messages.clear(); }
    std::string makeFile(const std::string& name) {
        const fs::path p = (dir_ / name).make_preferred(); // "\" on Windows
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
        return p.string();
    }
    std::string folder(const std::string& name) {
        const fs::path p = (dir_ / name).make_preferred();
        fs::create_directories(p);
        return p.string();
    }

    test::TempDir scratch_{"tz-sheet"};
    fs::path dir_ = scratch_.path();
    fake::FakeHost host;
    StopFlag stop;
    std::vector<std::string> log;
    fake::FakeShell shell{&log};
    fake::FakeSheetLink link{&log};
    DocumentLink doc{host, shell, link, stop};
};

TEST_F(DocumentChecks, MissingFileIsRefusedWithTheTwoLineMessage) {
    const auto r = doc.checkAndLink((dir_ / "Tidewell.xls").string(), 7);
    EXPECT_EQ(r, DocumentLink::Result::Refused);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "File does not exist.\r\nAn error of an Application document.\r\n" +
                  (dir_ / "Tidewell.xls").string());
    EXPECT_EQ(host.messages[0].title, "TIDEWELL-Z");
    EXPECT_THAT(log, IsEmpty());
    EXPECT_THAT(shell.lookedUp, IsEmpty());
}

TEST_F(DocumentChecks, FolderWithAFileAndFinalSeparatorIsNotAppointed) {
    makeFile("data/one.xls");
    const auto r = doc.checkAndLink(folder("data") + "/", 0);
    EXPECT_EQ(r, DocumentLink::Result::Refused);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "File is not appointed.\r\n" + folder("data") + "/");
    EXPECT_EQ(host.messages[0].title, "TIDEWELL-Z");
    EXPECT_THAT(log, IsEmpty());
}

TEST_F(DocumentChecks, EmptyPathAndFoldersWithoutAFileToTakeAreMissingFiles) {
    makeFile("data/one.xls");
    folder("outer/inner");
    for (const std::string& path :
         {std::string(), folder("empty") + "/", folder("outer") + "/", folder("data")}) {
        host.messages.clear();
        EXPECT_EQ(doc.checkAndLink(path, 0), DocumentLink::Result::Refused) << path;
        ASSERT_EQ(host.messages.size(), 1u) << path;
        EXPECT_EQ(host.messages[0].text,
                  DocumentLink::notFoundMessage() + (path.empty() ? "" : "\r\n" + path))
            << path;
    }
    EXPECT_THAT(log, IsEmpty());
}

TEST_F(DocumentChecks, DocumentShownUnderItsNameOrBaseNameIsAlreadyOpened) {
    struct Case {
        std::string file, name, title;
    };
    std::vector<Case> cases{
        {"Tidewell/Tidewell.xls", "Tidewell.xls", "Microsoft Excel - Tidewell.xls"},
        {"Tidewell/Tidewell.xls", "Tidewell.xls", "Microsoft Excel - Tidewell"},
#ifndef _WIN32
        {"Tidewell.ods", "Tidewell.ods", "Tidewell.ods - LibreOffice Calc"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        host.messages.clear();
        shell.windows = {c.title};
        EXPECT_EQ(doc.checkAndLink(makeFile(c.file), 0), DocumentLink::Result::Refused);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, c.name +
                                             " is already opened.\r\nPush \"Start "
                                             "Transfer!\" again after closing " +
                                             c.name);
        EXPECT_EQ(host.messages[0].title, "TIDEWELL-Z");
        EXPECT_THAT(log, IsEmpty());
    }
}

TEST_F(DocumentChecks, OtherWorkbookWindowsDoNotCount) {
    const auto path = makeFile("Tidewell/Tidewell.xls");
    shell.windows = {"Microsoft Excel - Tidewell.xlsx", "Microsoft Excel - tidewell.xls",
                     "Microsoft Excel"};
    EXPECT_EQ(doc.checkAndLink(path, 0), DocumentLink::Result::Linked);
    EXPECT_THAT(host.messages, IsEmpty());
}

TEST_F(DocumentChecks, AcceptedDocumentIsOpenedActivatedAndLinkedInThatOrder) {
    const auto path = makeFile("Tidewell/Tidewell.xls");
    EXPECT_EQ(doc.checkAndLink(path, 0x5150), DocumentLink::Result::Linked);
    EXPECT_THAT(host.messages, IsEmpty());
    // Whatever an earlier start left of a link ends first.
    EXPECT_THAT(log,
                ElementsAre("open " + path, "activate TIDEWELL-Z", "close link", "link " + path));
    EXPECT_EQ(shell.lastOwner, 0x5150u);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(shell.lookedUp[0], "Microsoft Excel - Tidewell.xls");
    EXPECT_EQ(shell.lookedUp[1], "Microsoft Excel - Tidewell");
}

TEST_F(DocumentChecks, NameWithoutDotIsAcceptedNotAFailure) {
    const auto path = makeFile("Tidewell");
    EXPECT_EQ(doc.checkAndLink(path, 0), DocumentLink::Result::Linked);
    EXPECT_EQ(shell.lookedUp[0], "Microsoft Excel - Tidewell");
    EXPECT_EQ(shell.lookedUp[1], "Microsoft Excel - Tidewell");
    EXPECT_EQ(link.document, path);
}

TEST_F(DocumentChecks, NoWindowToActivateFailsTheStartBeforeAnyLink) {
    const auto path = makeFile("Tidewell.xls");
    shell.activateFailure = Failure(FailureCode::Other, "Invalid procedure call or argument");
    try {
        doc.checkAndLink(path, 0);
        FAIL() << "activation failure swallowed";
    } catch (const Failure& f) {
        EXPECT_EQ(f.description(), "Invalid procedure call or argument");
    }
    EXPECT_EQ(link.attempts, 0);
    EXPECT_THAT(host.messages, IsEmpty());
}

// ---- waiting for the spreadsheet program ------------------------------

class LinkRetry : public DocumentChecks {
  protected:
    void SetUp() override {
        DocumentChecks::SetUp();
        path = makeFile("Tidewell.xls");
        t0 = host.now();
    }
    std::string path;
    double t0 = 0;
};

TEST_F(LinkRetry, SilentProgramIsAskedAgainUntilItAnswers) {
    link.silentAttempts = 4;
    EXPECT_EQ(doc.checkAndLink(path, 0), DocumentLink::Result::Linked);
    EXPECT_EQ(link.attempts, 5);
    EXPECT_DOUBLE_EQ(host.now() - t0, 4 * 0.25);
    EXPECT_THAT(host.messages, IsEmpty());
    EXPECT_EQ(log.back(), "link " + path);
}

TEST_F(LinkRetry, StopXferAtThreeSecondsEndsTheWaitAsStopped) {
    link.silentAttempts = -1;
    host.at(t0 + 3.0, [&] { stop.request(); });
    EXPECT_THROW(doc.checkAndLink(path, 0), TransferStopped);
    EXPECT_DOUBLE_EQ(host.now() - t0, 3.0);
    EXPECT_EQ(link.attempts, 12); // at 0, 0.25, ..., 2.75 s
    EXPECT_THAT(host.messages, IsEmpty());
    EXPECT_FALSE(link.isOpen());
}

TEST_F(LinkRetry, SilenceForSixtySecondsEndsTheStartWithAClearFailure) {
    link.silentAttempts = -1;
    try {
        doc.checkAndLink(path, 0);
        FAIL() << "no time-out";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::Other);
        EXPECT_EQ(f.description(), "The spreadsheet program did not answer within 60 seconds.\r\n"
                                   "Check that it is installed and can open " +
                                       path);
    }
    EXPECT_DOUBLE_EQ(host.now() - t0, 60.0);
    EXPECT_EQ(link.attempts, 241); // at 0, 0.25, ..., 60 s
    // What was started to open the document does not run on unseen.
    EXPECT_THAT(log, ElementsAre("open " + path, "activate TIDEWELL-Z", "close link",
                                 "shell end launched", "link end launched"));
}

#ifndef _WIN32
// A spreadsheet program whose window comes up only later: the transfer
// window comes to the front once that window is there, during the link's
// wait or after it, and after a bounded wait all the same.
TEST_F(LinkRetry, TransferWindowIsActivatedOnceTheDocumentsWindowHasAppeared) {
    shell.windowComesLater = true;
    const std::string calc = "Tidewell.xls - LibreOffice Calc";
    struct Case {
        int silentAttempts;
        double windowAt; // < 0: never
        double activatedAt;
    };
    for (const Case c : {Case{20, 3.0, 3.0}, Case{4, 7.0, 7.0}, Case{4, -1, 20.0}}) {
        SCOPED_TRACE(c.windowAt);
        log.clear();
        shell.windows.clear();
        link.attempts = 0;
        link.silentAttempts = c.silentAttempts;
        const double start = host.now();
        if (c.windowAt >= 0) host.at(start + c.windowAt, [&] { shell.windows.insert(calc); });
        double activatedAt = -1;
        host.at(start + c.activatedAt - 0.01, [&] {
            EXPECT_THAT(log, ::testing::Not(::testing::Contains("activate TIDEWELL-Z")));
        });
        EXPECT_EQ(doc.checkAndLink(path, 0), DocumentLink::Result::Linked);
        activatedAt = host.now() - start;
        EXPECT_THAT(log, ::testing::Contains("activate TIDEWELL-Z"));
        EXPECT_EQ(log.front(), "open " + path);
        if (c.silentAttempts == 20) {
            EXPECT_EQ(log.back(), "link " + path);
        }
        if (c.silentAttempts == 4) {
            EXPECT_EQ(log.back(), "activate TIDEWELL-Z");
            EXPECT_NEAR(activatedAt, c.activatedAt, 0.26);
        }
    }
}
#endif

TEST_F(LinkRetry, ProgramThatAnswersAtTheLastMomentIsLinked) {
    link.silentAttempts = 240;
    EXPECT_EQ(doc.checkAndLink(path, 0), DocumentLink::Result::Linked);
    EXPECT_DOUBLE_EQ(host.now() - t0, 60.0);
}

TEST_F(LinkRetry, TimeSpentInsideSlowAttemptsCountsTowardsTheLimit) {
    link.silentAttempts = -1;
    link.onAttempt = [&] { host.sleepMs(5000); }; // a connect that hangs 5 s
    EXPECT_THROW(doc.checkAndLink(path, 0), Failure);
    EXPECT_LT(host.now() - t0, 70.0);
    EXPECT_LE(link.attempts, 12);
}

TEST_F(LinkRetry, ClockSetBackDoesNotStretchTheWait) {
    link.silentAttempts = -1;
    link.onAttempt = [&] { host.setClock(host.today(), host.secondsNow() - 1.0); };
    EXPECT_THROW(doc.checkAndLink(path, 0), Failure);
    EXPECT_EQ(link.attempts, 241);
}

TEST_F(LinkRetry, WaitOverMidnightIsStillSixtySeconds) {
    host.setClock(20000, 86400.0 - 10.0);
    t0 = host.now();
    link.silentAttempts = -1;
    EXPECT_THROW(doc.checkAndLink(path, 0), Failure);
    EXPECT_DOUBLE_EQ(host.now() - t0, 60.0);
    EXPECT_EQ(link.attempts, 241);
}

TEST_F(LinkRetry, OtherLinkFailuresAreNotRetried) {
    link.linkFailure = Failure(FailureCode::Other, "DDE method invoked with no channel open");
    EXPECT_THROW(doc.checkAndLink(path, 0), Failure);
    EXPECT_EQ(link.attempts, 1);
    EXPECT_DOUBLE_EQ(host.now(), t0);
}

// ---- cell write and end of link ---------------------------------------

TEST_F(DocumentChecks, CellWritePokesTheNamedItemAndALostConversationReachesTheCaller) {
    doc.writeCell(12, 2, "+0012.345");
    doc.writeCell(1, 1, "TIME");
    EXPECT_THAT(link.pokes, ElementsAre(fake::FakeSheetLink::Poke{"R12C2", "+0012.345"},
                                        fake::FakeSheetLink::Poke{"R1C1", "TIME"}));
    link.pokeFailure = Failure(FailureCode::Other, "The link to the spreadsheet was lost");
    try {
        doc.writeCell(3, 1, "x");
        FAIL() << "poke failure swallowed";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::Other);
        EXPECT_EQ(f.description(), "The link to the spreadsheet was lost");
    }
}

TEST_F(DocumentChecks, EndLinkClosesTheLink) {
    const auto path = makeFile("Tidewell.xls");
    doc.checkAndLink(path, 0);
    ASSERT_TRUE(link.isOpen());
    doc.endLink();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(log.back(), "close link");
}

} // namespace
} // namespace tz
