#include "online_rig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tz {
namespace {

using test::OnlineRig;
using test::readFile;
using test::writeFile;

TEST(OnlineStartCsv, ReplacesTheDocumentWithTheHeaderLine) {
    OnlineRig rig;
    writeFile(rig.view.document, "old content\r\nmore\r\n");
    rig.stop.request();
    rig.view.portIndex = 2;
    rig.start();

    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_EQ(rig.csv(), "TIME,Flow\r\n");
    EXPECT_FALSE(rig.stop.requested());
    EXPECT_TRUE(rig.view.transferring);
    EXPECT_EQ(rig.serial.commPort, 3);
    EXPECT_TRUE(rig.serial.portOpen());
    ASSERT_EQ(rig.monitor->begins.size(), 1u);
    EXPECT_EQ(rig.monitor->begins[0].port, "COM3");
    EXPECT_EQ(rig.monitor->begins[0].parameter, "Flow");
    EXPECT_EQ(rig.monitorCell(0, 0), "TIME");
    EXPECT_EQ(rig.monitorCell(0, 1), "Flow");
    EXPECT_EQ(rig.transfer.rowCount(), 1);
    EXPECT_TRUE(rig.csvSink->isOpen());
    EXPECT_TRUE(rig.transfer.running());
}

TEST(OnlineStartCsv, SchedulesTheFirstPollForTheFirstTick) {
    OnlineRig rig;
    rig.view.digits = "013000";
    rig.start();
    const PollSchedule& s = rig.transfer.schedule();
    EXPECT_TRUE(s.firstPoll);
    EXPECT_DOUBLE_EQ(s.pollInterval, 5400.0);
    EXPECT_EQ(s.nextPollDate, OnlineRig::kDay);
    EXPECT_TRUE(rig.timer.active());
    EXPECT_NEAR(rig.timer.lastDelay, 0.010, 1e-9);
}

TEST(OnlineStartCsv, SignedParameterNameGetsOneBlankInFront) {
    for (const std::string name : {"-Flow", "+Total"}) {
        OnlineRig rig;
        rig.view.params = {name};
        rig.start();
        EXPECT_EQ(rig.csv(), "TIME, " + name + "\r\n");
        EXPECT_EQ(rig.monitorCell(0, 1), " " + name);
    }
}

TEST(OnlineStartCsv, DocumentThatCannotBeCreatedIsReportedAndEndsTheStart) {
    OnlineRig rig;
    rig.view.document = rig.dir.file("no-such-folder/Tidewell.csv");
    rig.start();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text,
              "File cannot open\n" + rig.view.document + ": its folder does not exist");
    EXPECT_EQ(rig.host.messages[0].title, "TIDEWELL-Z");
    rig.expectEnded();
}

TEST(OnlineStartCsv, DocumentPathNamingAFolderIsReportedWithItsDescription) {
    OnlineRig rig;
    rig.view.document = rig.dir.file("");
    rig.start();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_NE(rig.host.messages[0].text.find(rig.view.document), std::string::npos)
        << rig.host.messages[0].text;
    EXPECT_TRUE(std::filesystem::is_directory(rig.view.document));
    rig.expectEnded();
}

struct PortFailureCase {
    FailureCode code;
    bool inSettings;
    const char* message;
};

class OnlineStartPortFailure : public ::testing::TestWithParam<PortFailureCase> {};

TEST_P(OnlineStartPortFailure, ReportsLeavesTheWindowIdleAndTheDocumentUntouched) {
    const auto& c = GetParam();
    OnlineRig rig;
    writeFile(rig.view.document, "TIME,Flow\r\n08:00:00,1.5\r\n");
    const Failure failure(c.code, "Serial port failure 123");
    if (c.inSettings)
        rig.serial.settingsFailure = failure;
    else
        rig.serial.openFailure = failure;

    rig.start();

    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text, c.message);
    EXPECT_EQ(rig.host.messages[0].title, "TIDEWELL-Z");
    EXPECT_EQ(rig.view.transferrings, 1);
    rig.expectEnded();
    EXPECT_TRUE(rig.monitor->begins.empty());
    EXPECT_EQ(rig.csv(), "TIME,Flow\r\n08:00:00,1.5\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, OnlineStartPortFailure,
    ::testing::Values(
        PortFailureCase{FailureCode::InvalidPortNumber, false, "232Port No. is bad"},
        PortFailureCase{FailureCode::DeviceNotOpen, false, "232Port cannot open"},
        PortFailureCase{FailureCode::InvalidPropertyValue, true, "232Port bad setting"},
        PortFailureCase{FailureCode::InvalidPropertyValue, false, "232Port bad setting"},
        PortFailureCase{FailureCode::Other, false, "Serial port failure 123"}),
    [](const ::testing::TestParamInfo<PortFailureCase>& info) {
        return "Code" + std::to_string(static_cast<int>(info.param.code)) +
               (info.param.inSettings ? "InSettings" : "AtOpen");
    });

TEST(OnlineStartCsv, RestartReplacesTheDocumentOfTheLastTransfer) {
    OnlineRig rig;
    rig.start();
    rig.runTo(1.0);
    rig.transfer.stopXfer();
    EXPECT_EQ(rig.csv(), "TIME,Flow\r\n08:00:00,+0012.345\r\n");
    rig.view.params = {"Level"};
    rig.start();
    EXPECT_EQ(rig.csv(), "TIME,Level\r\n");
}

TEST(OnlineStartCsv, PreviousDocumentGoesBackWhenNoRowWasWrittenElseStaysAsADatedCopy) {
    OnlineRig rig;
    const std::string previous = "TIME,Flow\r\n08:00:00,1.5\r\n";
    writeFile(rig.view.document, previous);
    rig.reply = ""; // the instrument is off
    rig.start();
    rig.runTo(5.0);
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text, "232Port is bad");
    EXPECT_EQ(rig.csv(), previous);
    EXPECT_EQ(rig.csvSink->keptAs(), "");

    rig.reply = "+0012.345";
    rig.host.messages.clear();
    rig.start();
    rig.runTo(6.0);
    rig.transfer.stopXfer();
    ASSERT_FALSE(rig.csvSink->keptAs().empty());
    EXPECT_EQ(readFile(rig.csvSink->keptAs()), previous);
    EXPECT_NE(rig.csv(), previous);

    rig.expectEnded();
}

// --- spreadsheet output ---

class OnlineStartSheet : public ::testing::Test {
  protected:
    OnlineStartSheet() { rig.useWorkbook(); }
    OnlineRig rig;
};

TEST_F(OnlineStartSheet, LinksAndWritesTheHeaderCells) {
    rig.view.params = {"-Flow"};
    rig.start();
    EXPECT_TRUE(rig.host.messages.empty());
    ASSERT_EQ(rig.shell.opened.size(), 1u);
    EXPECT_EQ(rig.shell.opened[0], rig.view.document);
    EXPECT_EQ(rig.link.document, rig.view.document);
    EXPECT_TRUE(rig.link.isOpen());
    ASSERT_EQ(rig.link.pokes.size(), 2u);
    EXPECT_EQ(rig.link.pokes[0].item, "R1C1");
    EXPECT_EQ(rig.link.pokes[0].text, "TIME");
    EXPECT_EQ(rig.link.pokes[1].item, "R1C2");
    EXPECT_EQ(rig.link.pokes[1].text, " -Flow");
    EXPECT_TRUE(rig.monitor->begins.empty());
    EXPECT_TRUE(rig.timer.active());
    EXPECT_EQ(readFile(rig.view.document), "workbook");
}

TEST_F(OnlineStartSheet, WaitsForTheSpreadsheetProgramToAnswer) {
    rig.link.silentAttempts = 5;
    rig.link.silentPokes = 2; // the header poke also meets a program still starting
    rig.start();
    EXPECT_TRUE(rig.host.messages.empty());
    EXPECT_EQ(rig.link.attempts, 6); // asked again after each silence
    EXPECT_EQ(rig.link.silentPokes, 0);
    EXPECT_EQ(rig.link.pokes.size(), 2u);
    EXPECT_TRUE(rig.transfer.running());
}

TEST_F(OnlineStartSheet, RefusedDocumentRunsTheStopAction) {
    rig.view.document = rig.dir.file("missing.xls");
    rig.start();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text,
              "File does not exist.\r\nAn error of an Application document.\r\n" +
                  rig.view.document);
    EXPECT_TRUE(rig.stop.requested());
    rig.expectEnded();
    EXPECT_TRUE(rig.link.pokes.empty());
    EXPECT_TRUE(rig.shell.opened.empty());
}

TEST_F(OnlineStartSheet, WorkbookAlreadyOpenIsRefused) {
    rig.shell.windows.insert("Microsoft Excel - Tidewell");
    rig.start();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text,
              "Tidewell.xls is already opened.\r\nPush \"Start Transfer!\" again after closing "
              "Tidewell.xls");
    rig.expectEnded();
}

TEST_F(OnlineStartSheet, StopXferWhileWaitingForTheProgramEndsQuietly) {
    rig.link.silentAttempts = -1;
    rig.host.at(rig.at(0.35), [&] { rig.transfer.stopXfer(); });
    rig.start();
    EXPECT_TRUE(rig.host.messages.empty());
    rig.expectEnded();
    EXPECT_TRUE(rig.link.pokes.empty());
    EXPECT_LT(rig.sinceStart(rig.host.now()), 1.0);
}

TEST_F(OnlineStartSheet, PortFailureStartsNoSpreadsheetProgram) {
    rig.serial.openFailure = Failure(FailureCode::DeviceNotOpen, "busy");
    rig.start();
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text, "232Port cannot open");
    EXPECT_TRUE(rig.shell.opened.empty());
    EXPECT_TRUE(rig.link.document.empty());
}

} // namespace
} // namespace tz
