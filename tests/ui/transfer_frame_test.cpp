// The frame of the two transfer windows: opening, the idle and transferring
// states, the path pickers, "Mode/Info", "Exit" and the closing step.
#include "ui/monitor_grid.h"
#include "ui/monitor_sink.h"
#include "ui_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>

namespace tz::uitest {
namespace {

// The monitor as the start of a CSV run shows it.
void showMonitorAsARunDoes(OnlineWindow* w) {
    MonitorSink(w->monitor()).begin({"COM1", "Flow", "TIME", "Flow"});
}

class TransferFrameTest : public UiTest {
  protected:
    static QString text3(QWidget* w) { return child<QLineEdit>(w, "Text3")->text(); }
    static QString label1(QWidget* w) { return child<QLabel>(w, "Label1")->text(); }
    std::string envFile() const { return readFile(globals.EnvFilePath); }
};

// Every frame rule is checked on both windows.
class EachTransferWindow : public TransferFrameTest,
                           public ::testing::WithParamInterface<const char*> {
  protected:
    TransferFrame* open(int saveFormat = 1) { return openTransfer(GetParam(), saveFormat); }
};

// --- opening ------------------------------------------------------------

TEST_P(EachTransferWindow, OpensWithPathsPortListAndTheFormatsDefaultDocument) {
    globals.PortNo = 3;
    globals.ApplicationDocument = "/elsewhere/picked.xls";
    TransferFrame* w = open(1);
    EXPECT_EQ(w->objectName(), GetParam());
    EXPECT_EQ(label1(w).toStdString(), globals.ApplicationPath);
    auto* combo2 = child<QComboBox>(w, "Combo2");
    ASSERT_EQ(combo2->count(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(combo2->itemText(i), QStringLiteral("COM%1").arg(i + 1));
    EXPECT_EQ(combo2->currentText(), "COM3");
    EXPECT_EQ(text3(w).toStdString(), folder + "/Tidewell.xls");
    EXPECT_TRUE(child<QLabel>(w, "Label4")->text().isEmpty());
    EXPECT_TRUE(child<QLabel>(w, "Label5")->text().isEmpty());
    EXPECT_EQ(w->windowTitle(), "TIDEWELL-Z  (F1:HELP)");
    delete w;
    EXPECT_EQ(text3(open(0)).toStdString(), folder + "/Tidewell.csv");
}

TEST_P(EachTransferWindow, PortNumbersTheListCannotShowSelectNoPort) {
    for (int portNo : {0, 10, 12, -1}) {
        globals.PortNo = portNo;
        TransferFrame* w = open();
        EXPECT_EQ(child<QComboBox>(w, "Combo2")->currentIndex(), -1) << "PortNo " << portNo;
        delete w;
    }
    globals.PortNo = 9;
    EXPECT_EQ(child<QComboBox>(open(), "Combo2")->currentText(), "COM9");
}

TEST_F(TransferFrameTest, OnlineWindowListsTheParametersAndSelectsTheFirst) {
    OnlineWindow* w = openOnline();
    auto* combo1 = child<QComboBox>(w, "Combo1");
    ASSERT_EQ(combo1->count(), 3);
    EXPECT_EQ(combo1->itemText(2), "-Reverse");
    EXPECT_EQ(combo1->currentIndex(), 0);
    EXPECT_EQ(w->selectedParamIndex(), 0);
    const OnlineRequest r = w->request();
    EXPECT_EQ(r.paramIndex, 0);
    EXPECT_EQ(r.paramText, "Flow");
    EXPECT_EQ(r.commands[2], "DQ02");
    EXPECT_EQ(r.commands[13], "DV");
}

TEST_F(TransferFrameTest, OnlineWindowWithoutParameterNamesSelectsNothing) {
    globals.ParamName = {};
    OnlineWindow* w = openOnline();
    EXPECT_EQ(child<QComboBox>(w, "Combo1")->count(), 0);
    EXPECT_EQ(w->selectedParamIndex(), -1);
}

TEST_F(TransferFrameTest, LoggerWindowOpensWithAllTwentyBoxesClear) {
    LoggerWindow* w = openLogger();
    for (int n = 1; n <= 20; ++n) {
        auto* box = child<QCheckBox>(w, ("SSCheck1_" + std::to_string(n)).c_str());
        EXPECT_FALSE(box->isChecked());
        EXPECT_FALSE(w->request().ticked[n]);
    }
    click(w, "SSCheck1_7");
    const LoggerRequest r = w->request();
    EXPECT_TRUE(r.ticked[7]);
    EXPECT_EQ(std::count(r.ticked.begin(), r.ticked.end(), true), 1);
}

// --- the two states -------------------------------------------------------

struct ControlState {
    const char* name;
    bool idleVisible, idleEnabled, busyVisible, busyEnabled;
};

// Visible and enabled as the operator sees them (a control inside a
// disabled or hidden frame counts as disabled or hidden).
constexpr ControlState kStates[] = {
    {"SSFrame5", false, true, true, true},   {"Label4", false, true, true, true},
    {"Label5", false, true, true, true},     {"SSCommand3", true, true, false, false},
    {"SSCommand6", false, true, true, true}, {"SSCommand5", true, true, false, true},
    {"SSFrame2", true, true, true, false},   {"Combo2", true, true, true, false},
    {"SSFrame4", true, true, true, false},   {"SSCommand1", true, true, true, false},
    {"SSCommand2", true, true, true, false}, {"SSCommand4", true, true, true, false},
    {"Text3", true, true, true, false},      {"SSFrame1", true, true, true, true},
    {"SSFrame3", true, true, true, true},    {"Label1", true, true, true, true},
    {"Text1", false, true, false, true},
};

void expectState(QWidget* w, bool transferring) {
    for (const ControlState& c : kStates) {
        QWidget* control = child<QWidget>(w, c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->isVisibleTo(w), transferring ? c.busyVisible : c.idleVisible)
            << c.name << (transferring ? " transferring" : " idle");
        EXPECT_EQ(control->isEnabled(), transferring ? c.busyEnabled : c.idleEnabled)
            << c.name << (transferring ? " transferring" : " idle");
    }
}

TEST_P(EachTransferWindow, StatesSetEveryControlOfTheTable) {
    TransferFrame* w = open();
    expectState(w, false);
    w->setTransferringState();
    expectState(w, true);
    w->setTransferringState(); // whatever the current state
    expectState(w, true);
    w->setIdleState();
    expectState(w, false);
}

TEST_P(EachTransferWindow, DuringATransferStopXferIsTheOnlyUsableFrameButton) {
    TransferFrame* w = open();
    w->setTransferringState();
    for (QWidget* control : w->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(w) || !control->isEnabled()) continue;
        if (control->focusPolicy() == Qt::NoFocus) continue; // labels and frames
        EXPECT_EQ(control->objectName(), "SSCommand6") << "usable while transferring";
    }
}

// --- pickers --------------------------------------------------------------

struct PickerCase {
    const char* window;
    int saveFormat;
    const char* documentFilter;
};

class PickerFilters : public TransferFrameTest, public ::testing::WithParamInterface<PickerCase> {};

TEST_P(PickerFilters, EachPickerOffersItsFilter) {
    const PickerCase c = GetParam();
    TransferFrame* w = openTransfer(c.window, c.saveFormat);
    click(w, "SSCommand1");
    click(w, "SSCommand2");
    ASSERT_EQ(dialog.filters.size(), 2u);
    EXPECT_EQ(dialog.filters[0], "EXE File(*.exe)|*.exe");
    EXPECT_EQ(dialog.filters[1], c.documentFilter);
}

INSTANTIATE_TEST_SUITE_P(WindowAndFormat, PickerFilters,
                         ::testing::Values(PickerCase{"Tide02", 1, "Microsoft Excel(*.x*)|*.x*"},
                                           PickerCase{"Tide03", 1, "Microsoft Excel(*.x*)|*.x*"},
                                           // Full-width parentheses in the on-line window only.
                                           PickerCase{"Tide02", 0,
                                                      "CSV\xEF\xBC\x88*.csv\xEF\xBC\x89|*.CSV"},
                                           PickerCase{"Tide03", 0, "CSV(*.csv)|*.CSV"}));

TEST_P(EachTransferWindow, CancelledPickersChangeNothingPickedPathsAreShownAndKept) {
    TransferFrame* w = open();
    const Globals before = globals;
    const QString shownPath = label1(w), shownDocument = text3(w);
    click(w, "SSCommand1");
    click(w, "SSCommand2");
    EXPECT_EQ(dialog.filters.size(), 2u);
    EXPECT_EQ(globals.ApplicationPath, before.ApplicationPath);
    EXPECT_EQ(globals.ApplicationDocument, before.ApplicationDocument);
    EXPECT_EQ(label1(w), shownPath);
    EXPECT_EQ(text3(w), shownDocument);

    dialog.answers = {"/opt/calc/bin/soffice", "/data/run 7, east.xls"};
    click(w, "SSCommand1");
    click(w, "SSCommand2");
    EXPECT_EQ(globals.ApplicationPath, "/opt/calc/bin/soffice");
    EXPECT_EQ(label1(w), "/opt/calc/bin/soffice");
    EXPECT_EQ(globals.ApplicationDocument, "/data/run 7, east.xls");
    EXPECT_EQ(text3(w), "/data/run 7, east.xls");
}

// --- closing --------------------------------------------------------------

TEST_P(EachTransferWindow, PickedDocumentIsStoredByExitButNotShownNextTime) {
    globals.PortNo = 4;
    QPointer<TransferFrame> w = open();
    dialog.answers = {"/data/run 7, east.xls"};
    click(w, "SSCommand2");
    click(w, "SSCommand5");
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(envFile(), "\"C:\\MSOFFICE\\EXCEL\\EXCEL.EXE\",\"/data/run 7, east.xls\",4\r\n");

    TransferFrame* again = open();
    EXPECT_EQ(text3(again).toStdString(), folder + "/Tidewell.xls");
    EXPECT_EQ(globals.ApplicationDocument, "/data/run 7, east.xls");
}

TEST_P(EachTransferWindow, TitleBarCloseWritesTheEnvironmentFileWithoutTheTypedDocument) {
    QPointer<TransferFrame> w = open();
    auto* text3 = child<QLineEdit>(w, "Text3");
    text3->clear();
    QTest::keyClicks(text3, "/tmp/typed.xls");
    EXPECT_EQ(w->documentText(), "/tmp/typed.xls");
    EXPECT_EQ(globals.ApplicationDocument, "C:\\Tidewell\\Tidewell.xls");
    w->close();
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(envFile(), "\"C:\\MSOFFICE\\EXCEL\\EXCEL.EXE\",\"C:\\Tidewell\\Tidewell.xls\",1\r\n");
    EXPECT_TRUE(host.messages.empty());
}

TEST_P(EachTransferWindow, UnwritableEnvironmentFileIsReportedAndTheWindowClosesAnyway) {
    // A folder that cannot exist: its parent is a regular file.
    const std::string blocker = folder + "/not-a-folder";
    { std::ofstream(blocker) << "x"; }
    globals.EnvFilePath = blocker + "/Twenv.dat";
    QPointer<TransferFrame> w = open();
    click(w, "SSCommand5");
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find(globals.EnvFilePath), std::string::npos)
        << host.messages[0].text;
    EXPECT_EQ(host.messages[0].title, "TIDEWELL-Z");
}

// A CSV window, so that a mode window taking its choices from the settings
// would show them.
TEST_P(EachTransferWindow, ModeInfoShowsAFreshModeWindowAndWritesTheEnvironmentFile) {
    QPointer<TransferFrame> w = open(0);
    const QPoint where = w->pos();
    click(w, "SSCommand4");
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    ModeWindow* mode = findTopLevel<ModeWindow>("Tide01");
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->pos(), where);
    expectFirstSelections(mode);
    EXPECT_FALSE(envFile().empty());
}

TEST_P(EachTransferWindow, F1ShowsTheHelpFile) {
    TransferFrame* w = open();
    QTest::keyClick(child<QWidget>(w, "Combo2"), Qt::Key_F1);
    ASSERT_EQ(helpShown.size(), 1u);
    EXPECT_EQ(helpShown[0], globals.HelpFile);
}

TEST_P(EachTransferWindow, CloseDuringTransferCodeDeletesTheWindowOnlyAfterItReturns) {
    QPointer<TransferFrame> w = open();
    bool aliveAfterClose = false;
    w->runAsTransferCode([&] {
        // The close arrives while the transfer lets window events run.
        QMetaObject::invokeMethod(w, "close", Qt::QueuedConnection);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        flushDeletes();
        aliveAfterClose = !w.isNull() && !w->isVisible();
    });
    EXPECT_TRUE(aliveAfterClose);
    EXPECT_FALSE(envFile().empty()) << "the closing step ran at the close";
    flushDeletes();
    EXPECT_TRUE(w.isNull());
}

INSTANTIATE_TEST_SUITE_P(BothWindows, EachTransferWindow, ::testing::Values("Tide02", "Tide03"));

// --- the on-line window and its monitor --------------------------------------

TEST_F(TransferFrameTest, ExitAndModeInfoCloseTheMonitorToo) {
    for (const char* button : {"SSCommand5", "SSCommand4"}) {
        SCOPED_TRACE(button);
        QPointer<OnlineWindow> w = openOnline(0);
        showMonitorAsARunDoes(w);
        QPointer<MonitorWindow> monitor = w->monitor();
        ASSERT_TRUE(monitor && monitor->isVisible());
        click(w, button);
        flushDeletes();
        EXPECT_TRUE(w.isNull());
        EXPECT_TRUE(monitor.isNull() || !monitor->isVisible());
        flushDeletes();
        EXPECT_TRUE(monitor.isNull());
    }
}

TEST_F(TransferFrameTest, MonitorClosedDuringATransferKeepsItsGrid) {
    OnlineWindow* w = openOnline(0);
    MonitorSink sink(w->monitor());
    sink.begin({"COM1", "Flow", "TIME", "Flow"});
    QPointer<MonitorWindow> monitor = w->monitor();
    monitor->close();
    flushDeletes();
    ASSERT_FALSE(monitor.isNull());
    EXPECT_FALSE(monitor->isVisible());
    PolledRow row;
    row.seq = 1;
    row.value = "12.5";
    sink.write(row);
    EXPECT_EQ(monitor->grid().text(1, 1), "12.5");
    sink.begin({"COM1", "Flow", "TIME", "Flow"}); // the next run
    EXPECT_TRUE(monitor->isVisible());
}

// Closing by the title bar leaves the monitor open; the program ends when
// that, the last window, is closed too, and takes the monitor with it.
TEST_F(TransferFrameTest, TitleBarCloseLeavesTheMonitorOpenAndTheProgramEndsWithIt) {
    QApplication::setQuitOnLastWindowClosed(true);
    QCoreApplication::sendPostedEvents();
    QPointer<OnlineWindow> w = openOnline(0);
    showMonitorAsARunDoes(w);
    QPointer<MonitorWindow> monitor = w->monitor();
    bool monitorStayedOpen = false;
    QTimer::singleShot(0, [&] { w->close(); });
    QTimer::singleShot(30, [&] {
        monitorStayedOpen = monitor && monitor->isVisible();
        if (monitor) monitor->close();
    });
    QTimer::singleShot(3000, [] { QCoreApplication::exit(99); });
    const int result = QCoreApplication::exec();
    QApplication::setQuitOnLastWindowClosed(false);
    EXPECT_TRUE(monitorStayedOpen);
    EXPECT_EQ(result, 0) << "the program ended only by the safety timer";
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(monitor.isNull()) << "with the on-line window gone, closing deletes it";
}

} // namespace
} // namespace tz::uitest
