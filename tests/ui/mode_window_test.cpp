// The mode selection window: what it shows of the line settings, and what
// "OK" does with the two choices.
#include "app/startup.h"
#include "ui/line_settings.h"
#include "ui/settings_dialog.h"
#include "ui_fixture.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace tz::uitest {
namespace {

// --- decoding the settings string -------------------------------------

// A field counts only when a comma closes it ("-": not decoded). The stop
// bits are the string's last character, whatever follows the data bits.
TEST(LineSettingsDecoding, EachClosedFieldIsShownAndTheStopBitsAreTheLastCharacter) {
    struct Row {
        const char *settings, *baud, *parity, *dataBits, *stopBits;
    };
    const Row rows[] = {
        {"9600,E,7,2", "9600", "E", "7", "2"},
        {"9600,o,8,1", "9600", "O", "8", "1"},
        {"9600,O,8,1", "9600", "O", "8", "1"},
        {"9600,e,8,1", "9600", "E", "8", "1"},
        {"19200,N,8,1,X", "19200", "No", "8", "X"},
        {"9600,N,8,1.5", "9600", "No", "8", "5"},
        {"9600,N,8,\xC2\xB2", "9600", "No", "8", "\xC2\xB2"}, // a character, not a byte
        {"9600,E,7", "9600", "E", "-", "-"},
        {"4800,O", "4800", "-", "-", "-"},
        {"9600", "-", "-", "-", "-"},
        {"", "-", "-", "-", "-"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.settings);
        const LineSettingsCaptions c = decodeLineSettings(r.settings);
        EXPECT_EQ(c.baud.value_or("-"), r.baud);
        EXPECT_EQ(c.parity.value_or("-"), r.parity);
        EXPECT_EQ(c.dataBits.value_or("-"), r.dataBits);
        EXPECT_EQ(c.stopBits.value_or("-"), r.stopBits);
    }
}

TEST(LineSettingsDecoding, ParityWordGoesByTheWholeFieldExactly) {
    for (const char* other : {"n", "N", "m", "s", "M", "S", "", " E", "E ", "EE", "Odd"})
        EXPECT_EQ(parityWord(other), "No") << "parity field '" << other << "'";
}

// --- the window -----------------------------------------------------------

class ModeWindowTest : public UiTest {
  protected:
    ModeWindow* open() { return ModeWindow::showNew(services(), QPoint(120, 80)); }
    static QString caption(QWidget* w, const char* name) { return child<QLabel>(w, name)->text(); }
    static bool selected(QWidget* w, const char* name) {
        return child<QRadioButton>(w, name)->isChecked();
    }
};

// Fields that cannot be decoded keep the captions the labels were made with.
TEST_F(ModeWindowTest, LabelsShowTheDecodedSettingsOrKeepTheirCreationCaptions) {
    struct Row {
        const char *settings, *baud, *dataBits, *stopBits, *parity;
    };
    for (const Row& r :
         {Row{"9600,E,7,2", "9600", "7", "2", "E"}, Row{"4800,O,7", "4800", "8", "1", "O"}}) {
        SCOPED_TRACE(r.settings);
        globals.CommSettings = r.settings;
        ModeWindow* w = open();
        EXPECT_EQ(caption(w, "Label7"), r.baud);
        EXPECT_EQ(caption(w, "Label8"), r.dataBits);
        EXPECT_EQ(caption(w, "Label9"), r.stopBits);
        EXPECT_EQ(caption(w, "Label10"), r.parity);
        delete w;
    }
}

TEST_F(ModeWindowTest, OpensWithOnLineAndExcelSelectedAndOkInFocus) {
    ModeWindow* w = open();
    expectFirstSelections(w);
    EXPECT_EQ(w->focusWidget(), child<QPushButton>(w, "SSCommand1"));
}

TEST_F(ModeWindowTest, OptionsOfOneFrameExcludeEachOtherButNotTheOtherFrame) {
    ModeWindow* w = open();
    click(w, "SSOption1_0");
    EXPECT_TRUE(selected(w, "SSOption1_0"));
    EXPECT_FALSE(selected(w, "SSOption1_1"));
    EXPECT_TRUE(selected(w, "SSOption1_3"));
    click(w, "SSOption1_2");
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
    click(w, c.mode);
    click(w, c.format);
    click(w, "SSCommand1");
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
    EXPECT_EQ(visited[0], child<QPushButton>(w, "SSCommand1"));
    EXPECT_EQ(visited[1]->parentWidget(), child<QWidget>(w, "Frame1_1"));
    EXPECT_EQ(visited[2]->parentWidget(), child<QWidget>(w, "Frame1_2"));
    EXPECT_EQ(visited[3], visited[0]) << "labels, frames and the logo take no focus";
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

// The classic help file wins where there is one; else the manual; with no
// manual either, the help file named at start-up is asked for all the same.
TEST_F(ModeWindowTest, F1ShowsTheHelpFileOrElseTheManual) {
    ModeWindow* w = open();
    QTest::keyClick(w, Qt::Key_F1);
    services().manualFile = folder + "/manual.html";
    QTest::keyClick(w, Qt::Key_F1);
    { std::ofstream(globals.HelpFile) << "help"; }
    QTest::keyClick(w, Qt::Key_F1);
    EXPECT_EQ(helpShown, (std::vector<std::string>{globals.HelpFile, services().manualFile,
                                                   globals.HelpFile}));
    EXPECT_TRUE(host.messages.empty());
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

// --- "Settings..." -------------------------------------------------------

class SettingsDialogTest : public ModeWindowTest {
  protected:
    SettingsDialog* openSettings(ModeWindow*& mode) {
        mode = ModeWindow::showNew(services(), QPoint(50, 60));
        QTest::mouseClick(mode->findChild<QPushButton*>("settingsButton"), Qt::LeftButton);
        return mode->findChild<SettingsDialog*>("SettingsDialog");
    }
    std::string settingsFile() const { return readFile(folder + "/Twell.ini"); }
};

TEST_F(SettingsDialogTest, SavesTwellIniInItsLayoutAndTheNextModeWindowShowsIt) {
    test::writeFile(folder + "/Twell.ini", "\"9600,N,8,1\"\r\n\"Flow\"\r\n");
    ModeWindow* mode = nullptr;
    SettingsDialog* dialog = openSettings(mode);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->lineSettings(), "9600,N,8,1");
    child<QComboBox>(dialog, "baud")->setCurrentText("19200");
    auto* parity = child<QComboBox>(dialog, "parity");
    parity->setCurrentIndex(parity->findData("E"));
    child<QComboBox>(dialog, "dataBits")->setCurrentText("7");
    child<QComboBox>(dialog, "stopBits")->setCurrentText("2");
    child<QLineEdit>(dialog, "name2")->setText("Z\u00e4hlerstand, gesamt");
    child<QLineEdit>(dialog, "name3")->clear();
    child<QLineEdit>(dialog, "name5")->setText("Level");
    QTest::mouseClick(child<QPushButton>(dialog, "save"), Qt::LeftButton);
    flushDeletes();
    EXPECT_TRUE(host.messages.empty()) << host.messages[0].text;

    // The file's own layout; an empty name before the last one stays.
    EXPECT_EQ(settingsFile(), "\"19200,E,7,2\"\r\n\"Flow\"\r\n\"Z\u00e4hlerstand, "
                              "gesamt\"\r\n\"\"\r\n\"\"\r\n\"Level\"\r\n");
    // Start-up reads back exactly what was saved.
    Globals read;
    read.ProgramFolder = folder;
    ASSERT_TRUE(startUp(read, host));
    EXPECT_EQ(read.CommSettings, "19200,E,7,2");
    EXPECT_EQ(read.ParamName, globals.ParamName);
    EXPECT_EQ(globals.ParamName[2], "Z\u00e4hlerstand, gesamt");

    // A fresh mode window in the old one's place shows the new settings.
    auto* next = findTopLevel<ModeWindow>("Tide01");
    ASSERT_NE(next, nullptr);
    EXPECT_NE(next, mode);
    EXPECT_EQ(next->pos(), QPoint(50, 60));
    EXPECT_EQ(child<QLabel>(next, "Label7")->text(), "19200");
    EXPECT_EQ(child<QLabel>(next, "Label10")->text(), "E");
}

TEST_F(SettingsDialogTest, RefusesWhatTheProgramCouldNotUseAndChangesNothing) {
    const std::string before = "\"9600,X,8,1\"\r\n\"Flow\"\r\n";
    test::writeFile(folder + "/Twell.ini", before);
    globals.CommSettings = "9600,X,8,1"; // edited by hand
    ModeWindow* mode = nullptr;
    SettingsDialog* dialog = openSettings(mode);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->lineSettings(), "9600,X,8,1") << "shown as it is";
    EXPECT_FALSE(dialog->save());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "232Port bad setting"); // as the port says it
    host.messages.clear();

    auto* parity = child<QComboBox>(dialog, "parity");
    parity->setCurrentIndex(parity->findData("N"));
    child<QLineEdit>(dialog, "name4")->setText("Say \"when\"");
    EXPECT_FALSE(dialog->save());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("Parameter name 4"), std::string::npos);
    EXPECT_EQ(settingsFile(), before);
    EXPECT_EQ(globals.CommSettings, "9600,X,8,1");
    EXPECT_TRUE(dialog->isVisible());

    if (const char* shot = std::getenv("TZ_SETTINGS_SHOT")) {
        child<QLineEdit>(dialog, "name4")->setText("Level");
        dialog->grab().save(shot);
    }
}

} // namespace
} // namespace tz::uitest
