// The trend as the operator handles it: gaps in the line, the wheel, a
// drag and a double-click on the time axis, and the picture saved.
#include "ui/trend_chart.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tz {
namespace {

constexpr double kStart = 20000 * 86400.0 + 8 * 3600.0; // 08:00 of a day

class TrendHandling : public ::testing::Test {
  protected:
    TrendHandling() {
        chart.resize(440, 300);
        chart.show();
        chart.startRun("Flow");
    }

    // Polls 2 s apart, all of one value except the ones given as no number.
    void fill(int polls, const std::set<int>& notANumber = {}) {
        for (int i = 0; i < polls; ++i)
            poll(i, notANumber.count(i) ? "ERR" : "+0100.000");
        chart.refresh();
    }
    void poll(int i, const std::string& value) {
        chart.addPoll(kStart + 2.0 * i, value, value + " m3/h\r");
    }

    void wheel(int notches, QPoint at) {
        QWheelEvent event(at, chart.mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&chart, &event);
    }
    void drag(QPoint from, int dx) {
        QTest::mousePress(&chart, Qt::LeftButton, {}, from);
        QTest::mouseMove(&chart, from + QPoint(dx, 0));
        QTest::mouseRelease(&chart, Qt::LeftButton, {}, from + QPoint(dx, 0));
    }

    double span() const { return chart.timeWindow().to - chart.timeWindow().from; }

    TrendChart chart;
};

// Whether the trend's colour is drawn anywhere in column x of the plot.
bool lineInColumn(const QImage& image, const QRect& plot, int x) {
    for (int y = plot.top() + 1; y < plot.bottom(); ++y) {
        const QColor c = image.pixelColor(x, y);
        if (c.blue() > 120 && c.red() < 120 && c.green() < 120) return true;
    }
    return false;
}

TEST_F(TrendHandling, ANonNumberBreaksTheLineAndAValueBetweenTwoIsADot) {
    fill(21, {10, 12});
    EXPECT_EQ(chart.segmentsDrawn(), 2);
    const QImage image = chart.image();
    const QRect plot = chart.plotArea();
    auto column = [&](int poll) { return plot.left() + plot.width() * poll / 20; };
    EXPECT_TRUE(lineInColumn(image, plot, column(5)));
    EXPECT_TRUE(lineInColumn(image, plot, column(11))) << "the lone value";
    for (int gap : {10, 12})
        EXPECT_FALSE(lineInColumn(image, plot, column(gap))) << "a line across poll " << gap;
}

TEST_F(TrendHandling, WheelAndDragChooseTheTimeWindowAndDoubleClickFollowsAgain) {
    fill(100);
    const TrendChart::TimeWindow whole{kStart, kStart + 198};
    ASSERT_EQ(chart.timeWindow(), whole);
    const QPoint centre = chart.plotArea().center();

    // Dragging the whole run goes nowhere, and so keeps following.
    drag(centre, 40);
    EXPECT_TRUE(chart.following());

    // The time under the pointer stays where it is.
    const double under = chart.timeAt(centre.x());
    wheel(2, centre);
    EXPECT_FALSE(chart.following());
    EXPECT_NEAR(span(), 198 * 0.64, 1e-6);
    EXPECT_NEAR(chart.timeAt(centre.x()), under, 1e-6);

    // Dragging to the right shows earlier values.
    const TrendChart::TimeWindow zoomed = chart.timeWindow();
    const double moved = 40.0 / chart.plotArea().width() * span();
    drag(centre, 40);
    EXPECT_NEAR(chart.timeWindow().from, zoomed.from - moved, 1e-6);
    EXPECT_NEAR(span(), zoomed.to - zoomed.from, 1e-6);

    // New values do not move the view.
    const TrendChart::TimeWindow chosen = chart.timeWindow();
    poll(100, "+0200.000");
    chart.refresh();
    EXPECT_EQ(chart.timeWindow(), chosen);

    QTest::mouseDClick(&chart, Qt::LeftButton, {}, centre);
    EXPECT_TRUE(chart.following());
    EXPECT_EQ(chart.timeWindow(), (TrendChart::TimeWindow{kStart, kStart + 200}));
    poll(101, "+0200.000");
    chart.refresh();
    EXPECT_EQ(chart.timeWindow().to, kStart + 202) << "following takes the newest value in";

    // Out no further than the run, in no closer than a few polls.
    wheel(-30, centre);
    EXPECT_EQ(chart.timeWindow(), (TrendChart::TimeWindow{kStart, kStart + 202}));
    wheel(60, centre);
    EXPECT_GE(span(), 2.0);
    EXPECT_GE(chart.timeWindow().from, kStart);
}

TEST_F(TrendHandling, PictureIsSavedAsPngAndCopied) {
    fill(50, {20});
    // Replies that read as the largest numbers still draw.
    poll(50, "+1.7e308");
    poll(51, "-1.7e308");
    QTemporaryDir dir;
    const QString path = dir.filePath("trend.png");
    QString error;
    ASSERT_TRUE(chart.saveImage(path, &error)) << error.toStdString();
    EXPECT_GT(QFileInfo(path).size(), 1000);
    const QImage saved(path, "PNG");
    EXPECT_EQ(saved.size(), chart.size() * chart.devicePixelRatio());

    EXPECT_FALSE(chart.saveImage(dir.filePath("no such folder/trend.png"), &error));
    EXPECT_FALSE(error.isEmpty());

    chart.copyImage();
    EXPECT_EQ(QApplication::clipboard()->image().size(), saved.size());
}

} // namespace
} // namespace tz
