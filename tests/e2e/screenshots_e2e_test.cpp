// The pictures in docs/, all from one real run: the windows against the
// simulator, the on-line run feeding the grid and the trend, the logger
// window in the middle of its download. Taken only when TZ_SCREENSHOT_DIR
// names a folder (scripts/screenshots); otherwise skipped.
#include "ui/logger_window.h"
#include "ui/mode_window.h"
#include "ui/monitor_grid.h"
#include "ui/monitor_window.h"
#include "ui/online_window.h"
#include "ui/settings_dialog.h"
#include "ui/trend_chart.h"

#include "window_e2e.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace tz {
namespace {

class Screenshots : public fake::WindowEndToEnd {
  protected:
    Screenshots() : WindowEndToEnd("tidewell") {}

    void SetUp() override {
        const char* dir = std::getenv("TZ_SCREENSHOT_DIR");
        if (!dir || !*dir) GTEST_SKIP() << "TZ_SCREENSHOT_DIR is not set";
        out_ = QString::fromLocal8Bit(dir);
        QDir().mkpath(out_);
        WindowEndToEnd::SetUp();
        globals.ApplicationPath = "/usr/bin/soffice";
        globals.ParamName[1] = "Flow rate";
        globals.ParamName[2] = "Velocity";
        globals.ParamName[3] = "Level";
    }

    void shoot(QWidget* w, const char* name) {
        w->raise();
        QTest::qWait(200); // let the window system draw it
        const QPixmap picture = w->grab();
        EXPECT_FALSE(picture.isNull()) << name;
        EXPECT_TRUE(picture.save(out_ + "/" + name + ".png", "PNG")) << name;
    }

    QString out_;
};

TEST_F(Screenshots, EveryPictureComesFromOneRunAgainstTheSimulator) {
    fake::Simulator sim(ws, {"--records", "60", "--values", "7"});
    ASSERT_TRUE(sim.ready()) << sim.banner();

    ModeWindow* mode = ModeWindow::showNew(services, QPoint(40, 40));
    shoot(mode, "Tide01");
    SettingsDialog* settings = mode->showSettings();
    shoot(settings, "Tide01-settings");
    settings->reject();
    mode->close();

    // On-line: 40 polls of the flow rate at 2 s.
    auto& online = open<OnlineWindow>();
    online.move(40, 40);
    const std::string document = ws.file("program/Tidewell.csv");
    child<QLineEdit>(&online, "Text3")->setText(QString::fromStdString(document));
    shoot(&online, "Tide02");
    startPolling(&online, document, "000002");
    ASSERT_TRUE(runUntil([&] { return online.transfer().rowCount() > 3; }, 15000))
        << (messages.empty() ? "" : messages.front());
    shoot(&online, "Tide02-transferring");
    MonitorWindow* monitor = online.monitor();
    shoot(monitor, "Tide04");
    ASSERT_TRUE(runUntil([&] { return online.transfer().rowCount() > 40; }, 120000));
    monitor->resize(900, 420);
    // The taller grid keeps its top row; scrolled, as the operator would,
    // so that it shows the newest polls the trend ends with.
    MonitorGrid& grid = monitor->grid();
    grid.setTopRow(std::max(1, grid.currentRow() - 15));
    shoot(monitor, "Tide04-trend");
    stopXfer(&online);
    // The last half minute, as the wheel zooms in at the newest poll: the
    // rows the grid shows.
    TrendChart& trend = monitor->trend();
    const TrendChart::TimeWindow whole = trend.timeWindow();
    trend.zoom(30.0 / (whole.to - whole.from), whole.to);
    EXPECT_FALSE(trend.following());
    shoot(monitor, "Tide04-trend-zoomed");
    EXPECT_TRUE(messages.empty()) << messages.front();

    // Logger: sets 1 to 3, pictured while set 2 comes in.
    auto& logger = open<LoggerWindow>();
    logger.move(40, 40);
    shoot(&logger, "Tide03");
    bool shot = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* progress = logger.findChild<QLabel*>("ProgressText");
        if (!shot && progress && progress->text().startsWith("Set 2 of 3")) {
            shot = true;
            shoot(&logger, "Tide03-downloading");
        }
    });
    watch.start(50);
    download(&logger, {1, 2, 3}, ws.file("program/Logger.csv"));
    watch.stop();
    EXPECT_TRUE(shot) << "the download ended before set 2 was pictured";
    EXPECT_TRUE(messages.empty()) << messages.front();
}

} // namespace
} // namespace tz
