// The windows with their real transfers on the virtual clock: "Start
// Transfer!" and "Stop Xfer" through the buttons, the interval entry check
// on typing, and a window closed by its title bar while a poll waits.
#include "ui/monitor_grid.h"
#include "ui_fixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace tz::uitest {
namespace {

class TransferRun : public UiTest {
  protected:
    static void click(QWidget* w, const char* name) {
        QTest::mouseClick(child<QPushButton>(w, name), Qt::LeftButton);
    }
    static bool shown(QWidget* w, const char* name) { return child<QWidget>(w, name)->isVisible(); }

    OnlineWindow* startOnlineCsv() {
        OnlineWindow* w = openOnline(0);
        QTest::keyClicks(child<QLineEdit>(w, "txtTime"), "000002");
        click(w, "SSCommand3");
        return w;
    }
};

TEST_F(TransferRun, TypingAnHourAbove23MarksItAtOnce) {
    OnlineWindow* w = openOnline();
    QTest::keyClicks(child<QLineEdit>(w, "txtTime"), "24");
    EXPECT_EQ(w->request().intervalDigits, "--");
    EXPECT_EQ(child<QLineEdit>(w, "txtTime")->displayText(), "--:__:__");
}

// The mark is written back while the operator types on: every later digit
// still lands in its own place.
TEST_F(TransferRun, DigitsTypedAfterAMarkedFieldKeepTheirPlaces) {
    const std::pair<const char*, const char*> cases[] = {
        {"017500", "01:--:00"}, {"007580", "00:--:--"}, {"240000", "--:00:00"}};
    for (const auto& [typed, shows] : cases) {
        SCOPED_TRACE(typed);
        OnlineWindow* w = openOnline();
        auto* entry = child<QLineEdit>(w, "txtTime");
        QTest::keyClicks(entry, typed);
        EXPECT_EQ(entry->displayText().toStdString(), shows);
        click(w, "SSCommand3");
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, "Input the interval range of 00:00:02 - 09:00:00.");
        host.messages.clear();
        w->close();
    }
}

TEST_F(TransferRun, OnlineStartShowsTheMonitorAndStopXferReturnsToIdle) {
    OnlineWindow* w = startOnlineCsv();
    ASSERT_TRUE(host.messages.empty()) << host.messages[0].text;
    EXPECT_TRUE(shown(w, "SSCommand6"));
    EXPECT_FALSE(shown(w, "SSCommand3"));
    ASSERT_NE(w->monitor(), nullptr);
    EXPECT_TRUE(w->monitor()->isVisible());
    EXPECT_EQ(w->monitor()->grid().text(0, 0), "TIME");
    EXPECT_EQ(w->monitor()->grid().text(0, 1), "Flow");
    EXPECT_EQ(readFile(folder + "/Tidewell.csv"), "TIME,Flow\r\n");
    ASSERT_EQ(serials.size(), 1u);
    EXPECT_TRUE(serials[0]->portOpen());
    EXPECT_TRUE(w->transfer().running());

    click(w, "SSCommand6");
    EXPECT_TRUE(w->stopFlag().requested());
    EXPECT_FALSE(shown(w, "SSCommand6"));
    EXPECT_TRUE(shown(w, "SSCommand3"));
    EXPECT_TRUE(shown(w, "SSCommand5"));
    EXPECT_FALSE(shown(w, "SSFrame5"));
    EXPECT_FALSE(serials[0]->portOpen());
    EXPECT_FALSE(w->transfer().csvFileOpen());
    EXPECT_FALSE(timers[0]->active());
    EXPECT_TRUE(w->monitor()->isVisible()) << "the monitor stays open after a transfer";
}

TEST_F(TransferRun, PollWritesItsRowIntoTheMonitorGrid) {
    OnlineWindow* w = startOnlineCsv();
    serials[0]->onOutput = [&](const std::string&) { serials[0]->arriveIn(0.05, "+0012.345\r"); };
    host.runFor(0.5);
    EXPECT_EQ(serials[0]->sent.size(), 1u);
    EXPECT_EQ(w->monitor()->grid().text(1, 1), "+0012.345");
    EXPECT_EQ(child<QLabel>(w, "Label4")->text().left(4), "TIME");
    click(w, "SSCommand6");
}

TEST_F(TransferRun, TitleBarCloseDuringAPollStopsTheTransferAndFreesTheWindowAfterwards) {
    QPointer<OnlineWindow> w = startOnlineCsv();
    QPointer<MonitorWindow> monitor = w->monitor();
    // No reply: the poll sits in its waits, letting window events run; the
    // operator closes the window meanwhile.
    bool aliveInside = false, stoppedInside = false;
    host.after(0.3, [&] {
        w->close();
        flushDeletes();
        aliveInside = !w.isNull();
        stoppedInside = aliveInside && w->stopFlag().requested();
    });
    host.runFor(3.0);
    EXPECT_TRUE(aliveInside) << "freed while the poll was still running in it";
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(stoppedInside);
    EXPECT_FALSE(readFile(globals.EnvFilePath).empty());
    ASSERT_FALSE(monitor.isNull()) << "closing by the title bar leaves the monitor open";
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_EQ(readFile(folder + "/Tidewell.csv"), "TIME,Flow\r\n");
}

TEST_F(TransferRun, LoggerStopXferInTheMiddleLeavesTheWindowIdleAndThePortClosed) {
    LoggerWindow* w = openLogger(0);
    QTest::mouseClick(child<QCheckBox>(w, "SSCheck1_1"), Qt::LeftButton);
    bool transferringSeen = false;
    host.after(0.35, [&] {
        transferringSeen = shown(w, "SSCommand6") && !shown(w, "SSCommand3");
        click(w, "SSCommand6");
    });
    click(w, "SSCommand3");
    EXPECT_TRUE(transferringSeen);
    EXPECT_TRUE(w->stopFlag().requested());
    EXPECT_TRUE(shown(w, "SSCommand3"));
    EXPECT_TRUE(shown(w, "SSCommand5"));
    EXPECT_FALSE(shown(w, "SSCommand6"));
    ASSERT_EQ(serials.size(), 1u);
    EXPECT_FALSE(serials[0]->portOpen());
}

TEST_F(TransferRun, LoggerWindowClosedDuringItsTransferIsFreedOnlyAfterTheTransferReturns) {
    QPointer<LoggerWindow> w = openLogger(0);
    QTest::mouseClick(child<QCheckBox>(w, "SSCheck1_1"), Qt::LeftButton);
    bool aliveInside = false;
    host.after(0.35, [&] {
        w->close();
        flushDeletes();
        aliveInside = !w.isNull();
    });
    click(w, "SSCommand3");
    EXPECT_TRUE(aliveInside);
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_FALSE(readFile(globals.EnvFilePath).empty());
}

} // namespace
} // namespace tz::uitest
