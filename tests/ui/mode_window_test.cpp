// The mode selection window: what it shows of the line settings, and what
// "OK" does with the two choices.
#include "ui/line_settings.h"
#include "ui_fixture.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <fstream>
#include <string>
#include <vector>

namespace tz::uitest {
namespace {

// --- decoding the settings string -------------------------------------

struct Shown {
    std::string baud, dataBits, stopBits, parity;
};

Shown shownFor(const std::string& settings) {
    const LineSettingsCaptions c = decodeLineSettings(settings);
    return {c.baud.value_or("-"), c.dataBits.value_or("-"), c.stopBits.value_or("-"),
            c.parity.value_or("-")};
}

TEST(LineSettingsDecoding, FourFieldsShowBaudDataStopAndParityWord) {
    const Shown s = shownFor("9600,E,7,2");
    EXPECT_EQ(s.baud, "9600");
    EXPECT_EQ(s.dataBits, "7");
    EXPECT_EQ(s.stopBits, "2");
    EXPECT_EQ(s.parity, "E");
}

TEST(LineSettingsDecoding, ParityWordGoesByTheWholeFieldExactly) {
    EXPECT_EQ(shownFor("9600,o,8,1").parity, "O");
    EXPECT_EQ(shownFor("9600,O,8,1").parity, "O");
    EXPECT_EQ(shownFor("9600,e,8,1").parity, "E");
    for (const char* other : {"n", "N", "m", "s", "M", "S", "", " E", "E ", "EE", "Odd"})
        EXPECT_EQ(parityWord(other), "No") << "parity field '" << other << "'";
}

TEST(LineSettingsDecoding, FifthFieldLeavesDataBitsAndShowsTheLastCharacterAsStopBits) {
    const Shown s = shownFor("19200,N,8,1,X");
    EXPECT_EQ(s.baud, "19200");
    EXPECT_EQ(s.dataBits, "8");
    EXPECT_EQ(s.stopBits, "X");
}

TEST(LineSettingsDecoding, LongStopFieldShowsOnlyItsLastCharacter) {
    EXPECT_EQ(shownFor("9600,N,8,1.5").stopBits, "5");
    // The last character, not the last byte.
    EXPECT_EQ(shownFor("9600,N,8,\xC2\xB2").stopBits, "\xC2\xB2");
}

TEST(LineSettingsDecoding, FewerThanThreeCommasDecodeOnlyTheClosedFields) {
    Shown s = shownFor("9600,E,7");
    EXPECT_EQ(s.baud, "9600");
    EXPECT_EQ(s.parity, "E");
    EXPECT_EQ(s.dataBits, "-");
    EXPECT_EQ(s.stopBits, "-");

    s = shownFor("4800,O");
    EXPECT_EQ(s.baud, "4800");
    EXPECT_EQ(s.parity, "-");

    s = shownFor("9600");
    EXPECT_EQ(s.baud, "-");
    EXPECT_EQ(shownFor("").baud, "-");
}

// --- the window -----------------------------------------------------------

class ModeWindowTest : public UiTest {
  protected:
    ModeWindow* open() {
        auto* w = ModeWindow::showNew(services(), QPoint(120, 80));
        return w;
    }
    static QString caption(QWidget* w, const char* name) { return child<QLabel>(w, name)->text(); }
    static bool selected(QWidget* w, const char* name) {
        return child<QRadioButton>(w, name)->isChecked();
    }
};

TEST_F(ModeWindowTest, LabelsShowTheDecodedSettings) {
    globals.CommSettings = "9600,E,7,2";
    ModeWindow* w = open();
    EXPECT_EQ(caption(w, "Label7"), "9600");
    EXPECT_EQ(caption(w, "Label8"), "7");
    EXPECT_EQ(caption(w, "Label9"), "2");
    EXPECT_EQ(caption(w, "Label10"), "E");
}

TEST_F(ModeWindowTest, UndecodableFieldsKeepTheirCreationCaptions) {
    globals.CommSettings = "4800,O,7";
    ModeWindow* w = open();
    EXPECT_EQ(caption(w, "Label7"), "4800");
    EXPECT_EQ(caption(w, "Label10"), "O");
    EXPECT_EQ(caption(w, "Label8"), "8");
    EXPECT_EQ(caption(w, "Label9"), "1");
}

TEST_F(ModeWindowTest, OpensWithOnLineAndExcelSelectedAndOkInFocus) {
    ModeWindow* w = open();
    EXPECT_TRUE(selected(w, "SSOption1_1"));
    EXPECT_TRUE(selected(w, "SSOption1_3"));
    EXPECT_FALSE(selected(w, "SSOption1_0"));
    EXPECT_FALSE(selected(w, "SSOption1_2"));
    EXPECT_EQ(w->focusWidget(), child<QPushButton>(w, "SSCommand1"));
    EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
}

TEST_F(ModeWindowTest, OptionsOfOneFrameExcludeEachOtherButNotTheOtherFrame) {
    ModeWindow* w = open();
    QTest::mouseClick(child<QRadioButton>(w, "SSOption1_0"), Qt::LeftButton);
    EXPECT_TRUE(selected(w, "SSOption1_0"));
    EXPECT_FALSE(selected(w, "SSOption1_1"));
    EXPECT_TRUE(selected(w, "SSOption1_3"));
    QTest::mouseClick(child<QRadioButton>(w, "SSOption1_2"), Qt::LeftButton);
    EXPECT_TRUE(selected(w, "SSOption1_2"));
    EXPECT_FALSE(selected(w, "SSOption1_3"));
    EXPECT_TRUE(selected(w, "SSOption1_0"));
}

struct ModeChoice {
    const char* mode;   // option of the "Transfer Mode" frame
    const char* format; // option of the "Save File Format" frame
    const char* window;
    int saveFormat;
};

class OkOpensTheChosenWindow : public ModeWindowTest,
                               public ::testing::WithParamInterface<ModeChoice> {};

TEST_P(OkOpensTheChosenWindow, WithTheOutputFormatAtThisWindowsPlace) {
    const ModeChoice c = GetParam();
    globals.SaveFormat = 1 - c.saveFormat;
    QPointer<ModeWindow> w = open();
    const QPoint where = w->pos();
    QTest::mouseClick(child<QRadioButton>(w, c.mode), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>(w, c.format), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(w, "SSCommand1"), Qt::LeftButton);
    flushDeletes();

    EXPECT_TRUE(w.isNull()) << "the mode window unloads itself";
    EXPECT_EQ(globals.SaveFormat, c.saveFormat);
    QWidget* next = findTopLevel<QWidget>(c.window);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->pos(), where);
    const char* other = std::string(c.window) == "Tide02" ? "Tide03" : "Tide02";
    EXPECT_EQ(findTopLevel<QWidget>(other), nullptr);
}

INSTANTIATE_TEST_SUITE_P(EachModeAndFormat, OkOpensTheChosenWindow,
                         ::testing::Values(ModeChoice{"SSOption1_1", "SSOption1_3", "Tide02", 1},
                                           ModeChoice{"SSOption1_1", "SSOption1_2", "Tide02", 0},
                                           ModeChoice{"SSOption1_0", "SSOption1_3", "Tide03", 1},
                                           ModeChoice{"SSOption1_0", "SSOption1_2", "Tide03", 0}));

TEST_F(ModeWindowTest, EnterOnAFreshWindowPressesOk) {
    globals.SaveFormat = 0;
    QPointer<ModeWindow> w = open();
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QWidget* focused = QApplication::focusWidget();
    ASSERT_EQ(focused, child<QPushButton>(w, "SSCommand1"));
    QTest::keyClick(focused, Qt::Key_Return);
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_NE(findTopLevel<OnlineWindow>("Tide02"), nullptr);
    EXPECT_EQ(globals.SaveFormat, 1);
}

TEST_F(ModeWindowTest, EnterOnAnOptionButtonAlsoPressesOk) {
    QPointer<ModeWindow> w = open();
    auto* logger = child<QRadioButton>(w, "SSOption1_0");
    QTest::mouseClick(logger, Qt::LeftButton);
    QTest::keyClick(logger, Qt::Key_Enter);
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_NE(findTopLevel<LoggerWindow>("Tide03"), nullptr);
}

TEST_F(ModeWindowTest, KeyboardVisitsOkThenTransferModeThenSaveFormat) {
    ModeWindow* w = open();
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    std::vector<QWidget*> visited;
    for (int i = 0; i < 4; ++i) {
        visited.push_back(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    ASSERT_EQ(visited.size(), 4u);
    EXPECT_EQ(visited[0], child<QPushButton>(w, "SSCommand1"));
    EXPECT_EQ(visited[1]->parentWidget(), child<QWidget>(w, "Frame1_1"));
    EXPECT_EQ(visited[2]->parentWidget(), child<QWidget>(w, "Frame1_2"));
    EXPECT_EQ(visited[3], visited[0]) << "labels, frames and the logo take no focus";
}

TEST_F(ModeWindowTest, ModeInfoBringsBackAFreshWindowWithTheFirstSelections) {
    QPointer<ModeWindow> w = open();
    QTest::mouseClick(child<QRadioButton>(w, "SSOption1_0"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>(w, "SSOption1_2"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(w, "SSCommand1"), Qt::LeftButton);
    flushDeletes();
    QPointer<LoggerWindow> logger = findTopLevel<LoggerWindow>("Tide03");
    ASSERT_NE(logger, nullptr);

    QTest::mouseClick(child<QPushButton>(logger, "SSCommand4"), Qt::LeftButton);
    flushDeletes();
    EXPECT_TRUE(logger.isNull());
    ModeWindow* again = findTopLevel<ModeWindow>("Tide01");
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, w.data());
    EXPECT_TRUE(selected(again, "SSOption1_1"));
    EXPECT_TRUE(selected(again, "SSOption1_3"));
    EXPECT_FALSE(selected(again, "SSOption1_0"));
    EXPECT_FALSE(selected(again, "SSOption1_2"));
}

TEST_F(ModeWindowTest, ClosingByTheFrameOpensNothingAndWritesNothing) {
    QPointer<ModeWindow> w = open();
    w->close();
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(findTopLevel<QWidget>("Tide02"), nullptr);
    EXPECT_EQ(findTopLevel<QWidget>("Tide03"), nullptr);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(globals.EnvFilePath)));
}

TEST_F(ModeWindowTest, F1ShowsTheHelpFileNamedAtStartUp) {
    ModeWindow* w = open();
    QTest::keyClick(w, Qt::Key_F1);
    ASSERT_EQ(helpShown.size(), 1u);
    EXPECT_EQ(helpShown[0], globals.HelpFile);
    EXPECT_TRUE(host.messages.empty());
}

// The classic help file wins where there is one; else the manual.
TEST_F(ModeWindowTest, F1ShowsTheManualWhenThereIsNoHelpFile) {
    services().manualFile = folder + "/manual.html";
    ModeWindow* w = open();
    QTest::keyClick(w, Qt::Key_F1);
    { std::ofstream(globals.HelpFile) << "help"; }
    QTest::keyClick(w, Qt::Key_F1);
    EXPECT_EQ(helpShown, (std::vector<std::string>{services().manualFile, globals.HelpFile}));
}

TEST_F(ModeWindowTest, F1WithoutAHelpFileSaysWhichFileIsMissing) {
    helpMissing = true;
    ModeWindow* w = open();
    QTest::keyClick(child<QPushButton>(w, "SSCommand1"), Qt::Key_F1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Help file not found: " + globals.HelpFile);
    EXPECT_EQ(host.messages[0].title, "TIDEWELL-Z");
    EXPECT_TRUE(w->isVisible());
}

TEST(HelpViewer, MissingFileIsReportedAsFileNotFound) {
    try {
        openHelpWithDesktop("/nonexistent/folder/Tidewell_Z.hlp");
        FAIL() << "a missing help file must not pass";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::FileNotFound);
    }
}

} // namespace
} // namespace tz::uitest
