// The windows with their real transfers on the virtual clock: "Start
// Transfer!" and "Stop Xfer" through the buttons, the interval entry check
// on typing, and a window closed by its title bar while a poll waits.
#include "ui/monitor_grid.h"
#include "ui/trend_chart.h"
#include "ui_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>

namespace tz::uitest {
namespace {

class TransferRun : public UiTest {
  protected:
    OnlineWindow* startOnlineCsv() {
        OnlineWindow* w = openOnline(0);
        QTest::keyClicks(child<QLineEdit>(w, "txtTime"), "000002");
        click(w, "SSCommand3");
        return w;
    }
};

// The entry's own check marks a field out of range as soon as it is typed
// (75 minutes, hour 24); the mark is written back while the operator types
// on, so every later digit still lands in its own place, and a start with
// a marked field is refused. Unfilled positions are left out of the digits.
TEST_F(TransferRun, IntervalEntryMarksFieldsOutOfRangeAsTheyAreTyped) {
    struct Row {
        const char *typed, *shows, *digits;
        bool refused;
    };
    const Row rows[] = {
        {"012", "01:2_:__", "012", false},      {"000002", "00:00:02", "000002", false},
        {"0175", "01:--:__", "01--", false},    {"24", "--:__:__", "--", false},
        {"017500", "01:--:00", "01--00", true}, {"007580", "00:--:80", "00--80", true},
        {"240000", "--:00:00", "--0000", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        OnlineWindow* w = openOnline();
        auto* entry = child<QLineEdit>(w, "txtTime");
        QTest::keyClicks(entry, r.typed);
        EXPECT_EQ(entry->displayText().toStdString(), r.shows);
        EXPECT_EQ(w->request().intervalDigits, r.digits);
        if (r.refused) {
            click(w, "SSCommand3");
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0].text, "Input the interval range of 00:00:02 - 09:00:00.");
            host.messages.clear();
        }
        w->close();
    }
}

TEST_F(TransferRun, AClickIntoTheEmptyIntervalEntryTypesFromItsFirstPlace) {
    OnlineWindow* w = openOnline();
    auto* entry = child<QLineEdit>(w, "txtTime");
    QTest::mouseClick(entry, Qt::LeftButton, {}, QPoint(entry->width() - 3, entry->height() / 2));
    QTest::keyClicks(entry, "000002");
    EXPECT_EQ(entry->displayText().toStdString(), "00:00:02");
    // A click into a filled entry still lands where it was made.
    QTest::mouseClick(entry, Qt::LeftButton, {}, QPoint(entry->width() - 3, entry->height() / 2));
    EXPECT_GT(entry->cursorPosition(), 0);
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
    EXPECT_FALSE(w->transfer().sinksOpen());
    EXPECT_FALSE(timers[0]->active());
    EXPECT_TRUE(w->monitor()->isVisible()) << "the monitor stays open after a transfer";
}

TEST_F(TransferRun, PollsFeedTheGridTheTrendAndTheProgressLineWithGapsForNonNumbers) {
    OnlineWindow* w = startOnlineCsv();
    const char* replies[] = {"+0012.345\r", "ERR\r", "+0013.000 m3/h\r"};
    int n = 0;
    serials[0]->onOutput = [&](const std::string&) {
        serials[0]->arriveIn(0.05, replies[std::min(n++, 2)]);
    };
    host.runFor(0.5);
    EXPECT_EQ(serials[0]->sent.size(), 1u);
    EXPECT_EQ(w->monitor()->grid().text(1, 1), "+0012.345");
    EXPECT_EQ(child<QLabel>(w, "Label4")->text().left(4), "TIME");
    host.runFor(4.5); // polls at 0, about 2.2 and 4.4 s
    const TrendChart& trend = w->monitor()->trend();
    ASSERT_EQ(trend.trend().stats().polls, 3u);
    EXPECT_EQ(trend.trend().stats().values, 2u);
    EXPECT_TRUE(trend.trend().samples()[1].gap());
    EXPECT_EQ(trend.trend().stats().mean, (12.345 + 13.0) / 2);
    EXPECT_EQ(trend.title(), "Flow [m3/h]");
    EXPECT_TRUE(trend.statsText().contains("1 not a number"));
    EXPECT_EQ(w->monitor()->grid().text(2, 1), "ERR") << "the grid keeps the text as received";
    const QString progress = child<QLabel>(w, "ProgressText")->text();
    EXPECT_TRUE(progress.startsWith("3 rows, next poll ")) << progress.toStdString();

    click(w, "SSCommand6");
    EXPECT_EQ(child<QLabel>(w, "ResultText")->text(),
              "3 rows \u2192 " + QString::fromStdString(folder + "/Tidewell.csv"));
    // A new start forgets the last run's trend and result.
    click(w, "SSCommand3");
    EXPECT_EQ(w->monitor()->trend().trend().stats().polls, 0u);
    EXPECT_TRUE(child<QLabel>(w, "ResultText")->text().isEmpty());
    click(w, "SSCommand6");
}

TEST_F(TransferRun, TheMonitorStaysOnTheScreenAndTheGridWhereTheOperatorScrolledAfterStop) {
    // Kept as laid out where it fits, moved inside where it does not.
    const QRect wide(0, 0, 1920, 1080), narrow(0, 0, 1280, 800), offset(1280, 0, 1024, 768);
    EXPECT_EQ(placedOnScreen(QRect(687, 224, 672, 323), wide), QRect(687, 224, 672, 323));
    EXPECT_EQ(placedOnScreen(QRect(687, 224, 672, 323), narrow), QRect(608, 224, 672, 323));
    EXPECT_EQ(placedOnScreen(QRect(687, 224, 672, 323), offset), QRect(1280, 224, 672, 323));
    EXPECT_EQ(placedOnScreen(QRect(687, 224, 672, 900), QRect(0, 0, 800, 600)),
              QRect(128, 0, 672, 600));
    // Clear of the on-line window centred on the screen, its Status panel
    // and "Stop Xfer" in view: above it when there is room, else below,
    // else overlapping as placed.
    const QRect monitor(687, 224, 672, 323), centred(377, 404, 524, 251);
    EXPECT_EQ(placedClearOf(monitor, centred, QRect(0, 0, 1280, 1024)), QRect(608, 81, 672, 323));
    EXPECT_EQ(placedClearOf(monitor, QRect(377, 150, 524, 251), QRect(0, 0, 1280, 1024)),
              QRect(608, 401, 672, 323));
    EXPECT_EQ(placedClearOf(monitor, QRect(377, 150, 524, 251), QRect(0, 0, 1280, 600)),
              QRect(608, 224, 672, 323));
    EXPECT_EQ(placedClearOf(monitor, QRect(0, 0, 300, 200), wide), monitor);

    OnlineWindow* w = startOnlineCsv();
    const QRect screen = w->monitor()->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(w->monitor()->geometry()))
        << w->monitor()->geometry().x() << "+" << w->monitor()->geometry().width();

    serials[0]->onOutput = [&](const std::string&) { serials[0]->arriveIn(0.05, "+0012.345\r"); };
    host.runFor(60);
    MonitorGrid& grid = w->monitor()->grid();
    ASSERT_GT(w->transfer().rowCount(), 25);
    EXPECT_GT(grid.topRow(), 1) << "the newest row is in view";
    grid.verticalScrollBar()->setValue(3);
    const int scrolled = grid.topRow();
    click(w, "SSCommand6");
    host.runFor(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.topRow(), scrolled);
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
    click(w, "SSCheck1_1");
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
    EXPECT_TRUE(child<QLabel>(w, "ResultText")->text().startsWith("Stopped \u2014 0 sets"));
}

TEST_F(TransferRun, LoggerWindowClosedDuringItsTransferIsFreedOnlyAfterTheTransferReturns) {
    QPointer<LoggerWindow> w = openLogger(0);
    click(w, "SSCheck1_1");
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
