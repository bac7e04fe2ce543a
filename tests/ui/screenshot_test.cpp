// Pictures of the four windows with made-up contents, in a temporary
// folder: each picture has its window's size and is not blank. The pictures
// in docs/ come from one real run instead (tests/e2e, scripts/screenshots),
// so these never go where TZ_SCREENSHOT_DIR points.
#include "ui/monitor_grid.h"
#include "ui/progress_strip.h"
#include "ui/run_options.h"
#include "ui/trend_chart.h"
#include "ui_fixture.h"

#include <QImage>

#include <QPixmap>
#include <cmath>
#include <cstdio>

namespace tz::uitest {
namespace {

class Screenshots : public UiTest {
  protected:
    QString target() { return QString::fromStdString(folder); }

    void shoot(QWidget* w, const QString& name, QSize expected) {
        w->show();
        QCoreApplication::processEvents();
        const QPixmap picture = w->grab();
        EXPECT_EQ(picture.size(), expected) << name.toStdString();
        const QImage image = picture.toImage();
        // Something is drawn: not every pixel has one colour.
        bool varied = false;
        for (int y = 0; y < image.height() && !varied; y += 3)
            for (int x = 0; x < image.width() && !varied; x += 3)
                varied = image.pixel(x, y) != image.pixel(0, 0);
        EXPECT_TRUE(varied) << name.toStdString() << " is blank";
        const QString path = target() + "/" + name + ".png";
        EXPECT_TRUE(picture.save(path, "PNG")) << path.toStdString();
    }
};

TEST_F(Screenshots, EachWindowIsPicturedAtItsClientSize) {
    shoot(ModeWindow::showNew(services()), "Tide01", {524, 180 + ModeWindow::kSettingsStripHeight});
    OnlineWindow* online = openOnline(0);
    const int strip = ProgressStrip::kHeight;
    shoot(online, "Tide02", {524, 189 + strip + RunOptions::kHeight});
    shoot(openLogger(1), "Tide03", {524, 189 + strip});

    // The monitor as a transfer fills it.
    MonitorGrid& grid = online->monitor()->grid();
    grid.setRows(500);
    grid.setText(0, 0, "TIME");
    grid.setText(0, 1, "Flow");
    for (int row = 1; row <= 30; ++row) {
        grid.setText(row, 0, "08:00:" + std::string(row < 10 ? "0" : "") + std::to_string(row));
        grid.setText(row, 1, "+12." + std::to_string(row) + "0");
    }
    grid.setCurrentCell(30, 1);
    grid.setTopRow(20);
    shoot(online->monitor(), "Tide04", online->monitor()->size());
    EXPECT_EQ(online->monitor()->height(), 323);

    // Two hours of a run at 2 s, with two minutes and one more poll of
    // replies that were no number.
    TrendChart& trend = online->monitor()->trend();
    trend.startRun("Flow");
    const double start = 20000 * 86400.0 + 8 * 3600.0;
    for (int i = 0; i < 3600; ++i) {
        char value[16];
        std::snprintf(value, sizeof value, "%+09.3f",
                      1234.5 + 150 * std::sin(i * 0.004) + 5 * std::sin(i * 0.9));
        const bool garbled = (i >= 1200 && i < 1260) || i == 2500;
        trend.addPoll(start + 2.0 * i, garbled ? "ERR" : value,
                      garbled ? "ERR\r" : std::string(value) + " m3/h\r");
    }
    online->nextPollDue(3601, start + 7202);
    shoot(online->monitor(), "Tide04-trend", online->monitor()->size());
    // Zoomed to the twenty minutes around the garbled replies.
    trend.zoom(1200.0 / (trend.timeWindow().to - trend.timeWindow().from), start + 2460);
    shoot(online->monitor(), "Tide04-trend-zoomed", online->monitor()->size());

    // The logger window in the middle of a download.
    LoggerWindow* logger = openLogger(0);
    logger->enterTransferring();
    logger->setStatus1("9216Receiving");
    logger->setStatus2("5120Processing");
    logger->loggerProgress({2, 3, 12, 45, 148L, 14220});
    shoot(logger, "Tide03-downloading", {524, 189 + strip});

    // And the on-line window while transferring, to see the other members
    // of the overlapping pairs.
    online->enterTransferring();
    online->setStatus1("TIME08:00:30");
    shoot(online, "Tide02-transferring", {524, 189 + strip + RunOptions::kHeight});
}

} // namespace
} // namespace tz::uitest
