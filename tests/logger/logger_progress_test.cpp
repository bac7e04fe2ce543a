#include "logger/logger_progress.h"
#include "logger_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tz::logger_test {
namespace {

using ::testing::ElementsAre;

TEST(LoggerProgressWords, SayWhereTheDownloadStandsAndHowItEnded) {
    LoggerProgress p{2, 3, 12, 45, 148L, 0};
    EXPECT_EQ(progressLine(p), "Set 2 of 3 \u2014 No.12, 45 of 148 records");
    EXPECT_DOUBLE_EQ(progressShare(p), (1 + 45.0 / 148) / 3);
    p.announced.reset();
    p.setNo = 7;
    EXPECT_EQ(progressLine(p), "Set 2 of 3 \u2014 No.07, 45 records");
    EXPECT_DOUBLE_EQ(progressShare(p), 1.0 / 3); // only whole sets count then

    EXPECT_EQ(resultLine({3, 148, 14220, "/d/Tidewell.csv", ""}),
              "3 sets, 148 records, 14,220 bytes \u2192 /d/Tidewell.csv");
    EXPECT_EQ(resultLine({1, 1, 1, "/d/T.csv", "Stopped"}),
              "Stopped \u2014 1 set, 1 record, 1 byte \u2192 /d/T.csv");
    EXPECT_EQ(resultLine({0, 0, 0, "/d/T.csv", "No.07Data is not save"}),
              "No.07Data is not save \u2014 0 sets, 0 records, 0 bytes");
    EXPECT_EQ(withThousands(1234567), "1,234,567");
    EXPECT_EQ(withThousands(999), "999");
}

TEST(LoggerProgressWords, OnlyAHeaderLineThatCountsRecordsAnnouncesThem) {
    EXPECT_EQ(announcedRecords("RECORDS 148"), 148);
    EXPECT_EQ(announcedRecords("Records: 12\r"), 12);
    EXPECT_EQ(announcedRecords("RECORD COUNT=7"), 7);
    for (const char* line : {"SET No.12", "RECORDS", "RECORDS many", "REC2", "RECORDS 1234567890",
                             "START 06/01/23 10:00", "RECORDS2"})
        EXPECT_FALSE(announcedRecords(line)) << line;
}

const std::string kRecord = crLines({"t", "+1234.567 m3/h"}) + "\r";

TEST(LoggerProgressRun, CountsSetsRecordsAndBytesAndEndsWithTheResult) {
    Rig rig;
    rig.view.ticked = {3, 5, 12};
    const std::string set3 = crLines({"H", "RECORDS 2"}) + "\r" + kRecord + kRecord;
    const std::string set12 = crLines({"H"}) + "\r" + kRecord + kRecord + kRecord;
    rig.setWithData(3, set3);
    rig.replyAtOnce("LF05", "other\r"); // skipped: not counted among the sets
    rig.setWithData(12, set12);
    rig.start();

    std::vector<std::string> lines;
    for (const auto& p : rig.view.progress)
        lines.push_back(progressLine(p));
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    EXPECT_THAT(
        lines,
        ElementsAre("Set 1 of 2 \u2014 No.03, 0 records", "Set 1 of 2 \u2014 No.03, 0 of 2 records",
                    "Set 1 of 2 \u2014 No.03, 1 of 2 records",
                    "Set 1 of 2 \u2014 No.03, 2 of 2 records", "Set 2 of 2 \u2014 No.12, 0 records",
                    "Set 2 of 2 \u2014 No.12, 1 record", "Set 2 of 2 \u2014 No.12, 2 records",
                    "Set 2 of 2 \u2014 No.12, 3 records"));
    EXPECT_EQ(rig.view.progress.back().bytes, static_cast<long long>(set3.size() + set12.size()));
    EXPECT_TRUE(rig.transfer.endReason().empty());
    EXPECT_THAT(rig.view.results,
                ElementsAre(resultLine({2, 5, static_cast<long long>(set3.size() + set12.size()),
                                        rig.view.document, ""})));
}

TEST(LoggerProgressRun, ResultNamesWhatStoppedTheTransfer) {
    {
        Rig rig;
        rig.view.ticked = {3};
        rig.replyAtOnce("LF03", "EMPTY\r");
        rig.start();
        EXPECT_EQ(rig.transfer.endReason(), "No.03Data is not save");
        EXPECT_THAT(rig.view.results,
                    ElementsAre("No.03Data is not save \u2014 0 sets, 0 records, 0 bytes"));
    }
    {
        Rig rig;
        rig.view.ticked = {3};
        rig.setWithData(3, crLines({"H"}) + "\r" + kRecord + kRecord);
        rig.host.after(0.3, [&] { rig.transfer.stopXfer(); });
        rig.start();
        EXPECT_EQ(rig.transfer.endReason(), kLoggerStopped);
        ASSERT_EQ(rig.view.results.size(), 1u);
        EXPECT_EQ(rig.view.results[0].rfind("Stopped \u2014 0 sets", 0), 0u) << rig.view.results[0];
    }
}

} // namespace
} // namespace tz::logger_test
