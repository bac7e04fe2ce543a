// The data monitor grid: rows and columns with a fixed header row and a
// fixed time column, the row shortage failure, the current cell and
// scrolling; and the monitor as a sink of an on-line run, which grows the
// grid and keeps the newest row in view.
#include "probes.h"
#include "ui/monitor_grid.h"
#include "ui/monitor_sink.h"
#include "ui_fixture.h"

#include "backends/qt/qt_host.h"

#include <QHeaderView>
#include <QTime>

namespace tz::uitest {
namespace {

class MonitorGridTest : public UiTest {
  protected:
    MonitorGridTest() { window.show(); }
    MonitorWindow window;
    MonitorGrid& grid = window.grid();
};

using test::codeOf;

TEST_F(MonitorGridTest, FreshGridHasTwoRowsAndTwoColumns) {
    EXPECT_EQ(grid.rows(), 2);
    EXPECT_EQ(grid.cols(), 2);
    EXPECT_EQ(grid.model()->rowCount(), 1) << "one row below the fixed header row";
    EXPECT_EQ(grid.text(0, 0), "");
    EXPECT_EQ(grid.text(1, 1), "");
}

// The time column holds the locale's long time, "6:06:18 AM" as much as
// "18:06:18", and widens for a time that comes out wider still.
TEST_F(MonitorGridTest, TimeColumnFitsTheLocalesLongTime) {
    const QFontMetrics fm(grid.font());
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    const int usWidth = MonitorGrid::timeColumnWidth(fm, us);
    EXPECT_GT(usWidth,
              fm.horizontalAdvance(QString::fromStdString(timeOfDayText(us, QTime(12, 58, 58)))));
    EXPECT_GT(usWidth, MonitorGrid::timeColumnWidth(fm, de));
    EXPECT_GT(MonitorGrid::timeColumnWidth(fm, de), fm.horizontalAdvance("23:58:58"));

    const QString wide = "12:58:58 in the afternoon";
    ASSERT_LT(grid.columnWidth(0), fm.horizontalAdvance(wide));
    grid.setText(1, 0, wide.toStdString());
    EXPECT_GT(grid.columnWidth(0), fm.horizontalAdvance(wide));
}

TEST_F(MonitorGridTest, WritingAtOrBeyondTheRowCountRaisesTheRowShortage) {
    grid.setRows(500);
    grid.setText(499, 1, "last");
    EXPECT_EQ(codeOf([&] { grid.setText(500, 0, "12:00:00"); }), FailureCode::GridRowOutOfRange);
    EXPECT_EQ(codeOf([&] { grid.setText(-1, 0, "x"); }), FailureCode::GridRowOutOfRange);
    // The repair of the poll: 500 more rows, then the same write succeeds,
    // and what was written before stays.
    grid.setRows(grid.rows() + 500);
    grid.setText(500, 0, "12:00:00");
    EXPECT_EQ(grid.text(500, 0), "12:00:00");
    EXPECT_EQ(grid.text(499, 1), "last");
    EXPECT_EQ(grid.rows(), 1000);
}

TEST_F(MonitorGridTest, ColumnOutOfRangeIsNotMistakenForARowShortage) {
    // Adding rows never cures a bad column; the poll must not loop on it.
    const FailureCode code = codeOf([&] { grid.setText(1, 2, "x"); });
    EXPECT_NE(code, FailureCode::GridRowOutOfRange);
}

TEST_F(MonitorGridTest, HeaderRowStaysInViewAsTheTableHeader) {
    grid.setRows(500);
    grid.setText(0, 0, "TIME");
    grid.setText(0, 1, " -Reverse");
    const QAbstractItemModel* m = grid.model();
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "TIME");
    EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), " -Reverse");
    EXPECT_FALSE(grid.horizontalHeader()->isHidden());
    grid.setText(400, 0, "12:00:00");
    grid.setTopRow(400);
    EXPECT_TRUE(grid.rowIsVisible(0));
}

TEST_F(MonitorGridTest, FixedColumnIsDrawnGreyAndCannotBeSelected) {
    grid.setText(1, 0, "08:00:00");
    grid.setText(1, 1, "12.5");
    const QAbstractItemModel* m = grid.model();
    EXPECT_EQ(m->data(m->index(0, 0), Qt::DisplayRole).toString(), "08:00:00");
    EXPECT_EQ(m->data(m->index(0, 1), Qt::DisplayRole).toString(), "12.5");
    EXPECT_TRUE(m->data(m->index(0, 0), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(m->data(m->index(0, 1), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(m->flags(m->index(0, 0)) & Qt::ItemIsSelectable);
    EXPECT_FALSE(m->flags(m->index(0, 1)) & Qt::ItemIsEditable);
}

TEST_F(MonitorGridTest, ShrinkingKeepsTheFixedRowAndTheRowsThatRemain) {
    grid.setRows(10);
    grid.setText(0, 1, "Flow");
    grid.setText(3, 1, "3");
    grid.setRows(4);
    EXPECT_EQ(grid.rows(), 4);
    EXPECT_EQ(grid.text(3, 1), "3");
    grid.setRows(0);
    EXPECT_EQ(grid.rows(), 1) << "the fixed row cannot go";
    EXPECT_EQ(grid.text(0, 1), "Flow");
    grid.setCols(3);
    grid.setText(0, 2, "third");
    EXPECT_EQ(grid.model()->headerData(2, Qt::Horizontal).toString(), "third");
}

TEST_F(MonitorGridTest, CurrentCellFollowsTheNewestRow) {
    grid.setRows(500);
    grid.setCurrentCell(7, 1);
    EXPECT_EQ(grid.currentRow(), 7);
    EXPECT_EQ(grid.currentCol(), 1);
    EXPECT_EQ(codeOf([&] { grid.setCurrentCell(500, 1); }), FailureCode::GridRowOutOfRange);
}

TEST_F(MonitorGridTest, MovingTheCurrentCellDoesNotScroll) {
    grid.setRows(500);
    grid.setCurrentCell(300, 1);
    EXPECT_EQ(grid.topRow(), 1);
    EXPECT_FALSE(grid.rowIsVisible(300));

    // Also not when the window comes back after being hidden.
    grid.setTopRow(20);
    window.hide();
    grid.setCurrentCell(40, 1);
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.topRow(), 20);
}

TEST_F(MonitorGridTest, TopRowSetWhileHiddenHoldsWhenShown) {
    window.hide();
    grid.setRows(500);
    grid.setTopRow(120);
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.topRow(), 120);
    EXPECT_TRUE(grid.rowIsVisible(120));
}

TEST_F(MonitorGridTest, RowsBelowTheViewAreNotVisibleUntilScrolledToTheTop) {
    grid.setRows(500);
    EXPECT_TRUE(grid.rowIsVisible(1));
    EXPECT_FALSE(grid.rowIsVisible(200));
    EXPECT_FALSE(grid.rowIsVisible(500)) << "beyond the last row";
    grid.setTopRow(200);
    EXPECT_EQ(grid.topRow(), 200);
    EXPECT_TRUE(grid.rowIsVisible(200));
    EXPECT_FALSE(grid.rowIsVisible(1));

    // The visible rows end somewhere below the top row; the first row past
    // them is not visible, and becomes the top row when scrolled to.
    int firstHidden = 201;
    while (grid.rowIsVisible(firstHidden))
        ++firstHidden;
    EXPECT_GT(firstHidden, 205) << "a grid of 289 pixels shows more than a handful of rows";
    EXPECT_LT(firstHidden, 230);
    grid.setTopRow(firstHidden);
    EXPECT_EQ(grid.topRow(), firstHidden);
}

// --- the monitor as a sink ---

PolledRow polled(long long seq, const std::string& value = "+0012.345") {
    PolledRow row;
    row.seq = seq;
    row.time = "08:00:00";
    row.value = value;
    return row;
}

TEST_F(MonitorGridTest, SinkShowsTheHeaderAndGrowsTheGridBy500RowsWhenItIsFull) {
    window.hide();
    MonitorSink sink(&window);
    sink.begin({"COM1", "Flow", "TIME", " -Flow"});
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(grid.rows(), 500);
    EXPECT_EQ(grid.cols(), 2);
    EXPECT_EQ(grid.text(0, 0), "TIME");
    EXPECT_EQ(grid.text(0, 1), " -Flow");
    for (long long n = 1; n <= 499; ++n)
        sink.write(polled(n));
    EXPECT_EQ(grid.rows(), 500);
    sink.write(polled(500, "+0099.000"));
    EXPECT_EQ(grid.rows(), 1000);
    EXPECT_EQ(grid.text(500, 1), "+0099.000");
    EXPECT_EQ(grid.currentRow(), 500);
    EXPECT_EQ(grid.currentCol(), 1);
    EXPECT_TRUE(grid.rowIsVisible(500));
}

TEST_F(MonitorGridTest, SinkMakesANewRowOutOfViewTheTopRow) {
    MonitorSink sink(&window);
    sink.begin({"COM1", "Flow", "TIME", "Flow"});
    int n = 1;
    for (; grid.rowIsVisible(n); ++n)
        sink.write(polled(n));
    EXPECT_EQ(grid.topRow(), 1) << "rows in view do not scroll";
    sink.write(polled(n));
    EXPECT_EQ(grid.topRow(), n);
    EXPECT_EQ(grid.currentRow(), n);
}

} // namespace
} // namespace tz::uitest
