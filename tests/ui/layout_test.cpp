// Every control of the four windows against the layout tables: container,
// caption, place and size (twips, 15 to the pixel), font; then window
// sizes, colours, pictures, check box faces and keyboard order.
#include "ui/pictures.h"
#include "ui/progress_strip.h"
#include "ui/run_options.h"
#include "ui/trend_chart.h"
#include "ui_fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <cmath>

namespace tz::uitest {
namespace {

struct ControlLayout {
    std::string name;
    const char* container; // "" for the window itself
    const char* caption;   // nullptr: not a caption-bearing control or filled at run time
    int left, top, width, height;
    const char* family; // nullptr: no font of its own worth checking
    double points;
    bool bold;
};

const std::vector<ControlLayout> kModeWindowLayout = {
    {"SSFrame4", "", "", 60, 0, 7695, 2595, "Arial", 9, false},
    {"SSPanel1", "SSFrame4", "", 300, 280, 3015, 555, "Arial", 9, false},
    {"Label0", "SSFrame4", "TIDEWELL-Z", 360, 380, 2895, 375, "Century", 15.75, true},
    {"Label1", "SSFrame4", "V4.00", 3420, 600, 495, 195, "Times New Roman", 9, true},
    {"SSPanel2", "SSFrame4", nullptr, 5925, 240, 1500, 885, nullptr, 0, false},
    {"Label6", "SSFrame4", "\u00A9 TIDEWELL-Z team", 5040, 1200, 2415, 315, "Arial", 9, false},
    {"Label2", "SSFrame4", "Flowmeter Settings", 360, 1080, 3135, 255, "Arial", 9.75, false},
    {"Label3", "SSFrame4", "Baud", 360, 1485, 1095, 255, "Arial", 8.25, false},
    {"Label4", "SSFrame4", "Databit", 360, 1725, 975, 195, "Arial", 8.25, false},
    {"Label5", "SSFrame4", "Stopbit", 360, 1965, 975, 285, "Arial", 8.25, false},
    {"Label11", "SSFrame4", "Parity", 360, 2205, 975, 315, "Arial", 8.25, false},
    {"Label12", "SSFrame4", ":", 1680, 1480, 135, 255, "Arial", 9, true},
    {"Label13", "SSFrame4", ":", 1680, 1720, 135, 255, "Arial", 9, true},
    {"Label14", "SSFrame4", ":", 1680, 1960, 135, 255, "Arial", 9, true},
    {"Label15", "SSFrame4", ":", 1680, 2200, 135, 255, "Arial", 9, true},
    {"Label7", "SSFrame4", "9600", 1920, 1480, 495, 195, "Arial", 8.25, false},
    {"Label8", "SSFrame4", "8", 1920, 1720, 435, 195, "Arial", 8.25, false},
    {"Label9", "SSFrame4", "1", 1920, 1960, 375, 195, "Arial", 8.25, false},
    {"Label10", "SSFrame4", "No", 1920, 2200, 495, 195, "Arial", 8.25, false},
    {"Frame1_1", "SSFrame4", "Transfer Mode", 2520, 1480, 1755, 975, "Arial", 8.25, false},
    {"SSOption1_0", "Frame1_1", "Logger data", 120, 300, 1455, 255, "Arial", 8.25, false},
    {"SSOption1_1", "Frame1_1", "On-line data", 120, 600, 1455, 255, "Arial", 8.25, false},
    {"Frame1_2", "SSFrame4", "Save File Format", 4320, 1480, 1695, 975, "Arial", 8.25, false},
    {"SSOption1_3", "Frame1_2", "XLS(Excel)", 120, 300, 1455, 255, "Arial", 8.25, false},
    {"SSOption1_2", "Frame1_2", "CSV(TXT)", 120, 600, 1455, 255, "Arial", 8.25, false},
    {"SSCommand1", "SSFrame4", "OK", 6120, 1590, 1335, 855, "Arial", 14.25, true},
};

const std::vector<ControlLayout> kOnlineWindowLayout = {
    {"SSFrame2", "", "RS-232 Port", 120, 120, 1215, 1455, "Arial", 8.25, false},
    {"Combo2", "SSFrame2", nullptr, 120, 240, 975, 345, "Arial", 9, true},
    {"SSFrame5", "", "Status", 5640, 1680, 2055, 975, "Arial", 9.75, true},
    {"Label4", "SSFrame5", "", 120, 285, 1815, 270, "Arial", 9.75, false},
    {"Label5", "SSFrame5", "", 120, 600, 1815, 270, "Arial", 9.75, false},
    {"SSCommand3", "", "Start Transfer!", 5640, 1680, 2055, 975, "Arial", 9.75, true},
    {"SSCommand5", "", "Exit", 120, 2280, 1215, 375, "Arial", 9.75, true},
    {"Text1", "", nullptr, 4200, 1440, 1335, 264, "Arial", 9, false},
    {"SSCommand6", "", "Stop Xfer", 120, 2280, 1215, 375, "Arial", 9.75, true},
    {"SSFrame4", "", "On-line data", 1560, 1680, 3855, 975, "Arial", 8.25, true},
    {"Combo1", "SSFrame4", nullptr, 120, 540, 1995, 345, "Arial", 9, true},
    {"txtTime", "SSFrame4", nullptr, 2340, 540, 975, 315, "Arial", 9.75, false},
    {"Label2", "SSFrame4", "Parameter", 120, 300, 1155, 195, "Arial", 9, false},
    {"Label3", "SSFrame4", "Interval[h:m:s]", 2220, 300, 1335, 255, "Arial", 9, false},
    {"SSCommand4", "", "Mode/Info", 120, 1800, 1215, 375, "Arial", 8.25, true},
    {"SSFrame3", "", "Application document", 1560, 840, 6135, 615, "Arial", 8.25, true},
    {"SSCommand2", "SSFrame3", "", 5400, 120, 615, 450, nullptr, 0, false},
    {"Text3", "SSFrame3", nullptr, 120, 240, 5175, 255, "Arial", 9, true},
    {"SSFrame1", "", "Application path", 1560, 120, 6135, 615, "Arial", 8.25, true},
    {"SSCommand1", "SSFrame1", "", 5400, 120, 615, 450, nullptr, 0, false},
    {"Label1", "SSFrame1", nullptr, 120, 280, 5295, 255, "Arial", 9, true},
};

std::vector<ControlLayout> loggerWindowLayout() {
    std::vector<ControlLayout> t = {
        {"SSFrame2", "", "RS-232 Port", 120, 120, 1215, 1455, "Arial", 8.25, false},
        {"Combo2", "SSFrame2", nullptr, 120, 240, 975, 345, "Arial", 9, true},
        {"SSFrame5", "", "Status", 5640, 1680, 2055, 975, "Arial", 9.75, true},
        {"Label4", "SSFrame5", "", 120, 280, 1815, 255, "Arial", 9, false},
        {"Label5", "SSFrame5", "", 120, 600, 1815, 255, "Arial", 9, false},
        {"SSFrame4", "", "Logger Data", 1560, 1680, 3735, 975, "Arial", 8.25, true},
        {"SSCommand5", "", "Exit", 120, 2280, 1215, 375, "Arial", 11.25, true},
        {"Text1", "", nullptr, 4080, 1440, 1335, 264, "Arial", 9, false},
        {"SSFrame1", "", "Application path", 1560, 120, 6135, 615, "Arial", 8.25, true},
        {"SSCommand1", "SSFrame1", "", 5400, 120, 615, 450, nullptr, 0, false},
        {"Label1", "SSFrame1", nullptr, 120, 280, 5775, 255, "Arial", 9, true},
        {"SSFrame3", "", "Application document", 1560, 840, 6135, 615, "Arial", 8.25, true},
        {"Text3", "SSFrame3", nullptr, 120, 240, 5175, 270, "Arial", 9, true},
        {"SSCommand2", "SSFrame3", "", 5400, 120, 615, 450, nullptr, 0, false},
        {"SSCommand4", "", "Mode/Info", 120, 1800, 1215, 375, "Arial", 8.25, true},
        {"SSCommand6", "", "Stop Xfer", 120, 2280, 1215, 375, "Arial", 9.75, true},
        {"SSCommand3", "", "Start Transfer!", 5640, 1680, 2055, 975, "Arial", 9.75, true},
    };
    const int lefts[] = {0,   360, 720, 960,  1200, 1440, 1920, 2160, 2400, 2640, 2880,
                         240, 720, 960, 1200, 1440, 1920, 2160, 2400, 2640, 2880};
    const int widths[] = {0,   375, 255, 255, 255, 255, 255, 255, 255, 255, 615,
                          495, 255, 255, 255, 255, 255, 255, 255, 255, 495};
    for (int n = 1; n <= 20; ++n) {
        const char* caption = n == 1 ? "1" : n == 10 ? "10" : n == 11 ? "11" : n == 20 ? "20" : "";
        t.push_back({"SSCheck1_" + std::to_string(n), "SSFrame4", caption, lefts[n],
                     n <= 10 ? 360 : 600, widths[n], 255, "Arial", 8.25, false});
    }
    return t;
}

const std::vector<ControlLayout> kMonitorWindowLayout = {
    {"CSVGrid", "", nullptr, 120, 360, 2895, 4335, "Arial", 11.25, false},
    {"Label6", "", "Data Monitor (Only CSV)", 240, 120, 2775, 255, "Arial", 9.75, true},
};

QRect fromTwips(int l, int t, int w, int h) {
    auto px = [](int twips) { return static_cast<int>(std::lround(twips / 15.0)); };
    return {px(l), px(t), px(w), px(h)};
}

// The family the layout names, or the metric-compatible one that stands in
// for it on this machine.
bool sameFamily(const QString& shown, const char* named) {
    const std::string n = named;
    if (shown == QLatin1String(named)) return true;
    if (n == "Arial") return shown == "Liberation Sans" || shown == "Arimo";
    if (n == "Times New Roman") return shown == "Liberation Serif" || shown == "Tinos";
    if (n == "Century")
        return shown == "C059" || shown == "Century Schoolbook" || shown == "Liberation Serif";
    return false;
}

QString captionOf(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return {};
}

void expectLayout(QWidget* window, const std::vector<ControlLayout>& table) {
    for (const ControlLayout& s : table) {
        SCOPED_TRACE(s.name);
        QWidget* w = window->findChild<QWidget*>(QString::fromStdString(s.name));
        ASSERT_NE(w, nullptr);
        const QString container =
            w->parentWidget() == window ? QString() : w->parentWidget()->objectName();
        EXPECT_EQ(container.toStdString(), s.container);
        EXPECT_EQ(w->geometry(), fromTwips(s.left, s.top, s.width, s.height));
        if (s.caption) {
            EXPECT_EQ(captionOf(w).toStdString(), s.caption);
        }
        if (s.family) {
            const QFontInfo shown(w->font());
            EXPECT_TRUE(sameFamily(shown.family(), s.family))
                << shown.family().toStdString() << " for " << s.family;
            EXPECT_DOUBLE_EQ(w->font().pointSizeF(), s.points);
            EXPECT_EQ(w->font().bold(), s.bold);
        }
    }
}

// The layout's client area, and below it (never over a specified control)
// the strip of progress and result, and `extra` pixels of the window's own
// additions below that.
void expectLayoutAreaAboveProgress(QWidget* w, int extra = 0) {
    EXPECT_EQ(w->size(), QSize(524, 189 + ProgressStrip::kHeight + extra));
    auto* strip = w->findChild<ProgressStrip*>("Progress");
    ASSERT_NE(strip, nullptr);
    EXPECT_GE(strip->geometry().top(), 189);
    EXPECT_LE(strip->geometry().bottom(), w->height());
    for (const char* below : {"KeepPolling", "IsoTime"}) {
        if (auto* box = w->findChild<QWidget*>(below)) {
            EXPECT_GE(box->mapTo(w, QPoint(0, 0)).y(), strip->geometry().bottom()) << below;
        }
    }
}

class Layout : public UiTest {};

TEST_F(Layout, ModeWindowControlsStandWhereTheTableSays) {
    ModeWindow* w = ModeWindow::showNew(services());
    EXPECT_EQ(w->size(), QSize(524, 180 + ModeWindow::kSettingsStripHeight));
    EXPECT_EQ(w->minimumSize(), w->maximumSize()) << "the window keeps its size";
    EXPECT_EQ(w->windowTitle(), "TIDEWELL-Z  (F1:HELP)");
    expectLayout(w, kModeWindowLayout);
}

TEST_F(Layout, OnlineWindowControlsStandWhereTheTableSays) {
    OnlineWindow* w = openOnline();
    expectLayoutAreaAboveProgress(w, RunOptions::kHeight);
    EXPECT_NE(w->findChild<QCheckBox*>("KeepPolling"), nullptr);
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_EQ(w->font().pointSizeF(), 9.75);
    EXPECT_TRUE(w->font().bold());
    expectLayout(w, kOnlineWindowLayout);
}

TEST_F(Layout, LoggerWindowControlsStandWhereTheTableSays) {
    LoggerWindow* w = openLogger();
    expectLayoutAreaAboveProgress(w);
    EXPECT_EQ(w->font().pointSizeF(), 9.0);
    EXPECT_FALSE(w->font().bold());
    expectLayout(w, loggerWindowLayout());
}

TEST_F(Layout, MonitorWindowControlsStandWhereTheTableSays) {
    MonitorWindow w;
    w.show();
    EXPECT_EQ(w.minimumSize(), QSize(212, 323)) << "the grid's own area is the least";
    EXPECT_EQ(w.height(), 323);
    EXPECT_GT(w.maximumWidth(), w.minimumWidth()) << "the window can be resized";
    // As laid out where the screen has room, else moved onto it.
    const QRect screen = w.screen()->availableGeometry();
    if (screen.contains(QRect(QPoint(687, 224), w.frameGeometry().size())))
        EXPECT_EQ(w.pos(), QPoint(687, 224));
    else
        EXPECT_TRUE(screen.contains(w.frameGeometry()));
    EXPECT_EQ(w.windowTitle(), "Data Monitor For CSVFile");
    EXPECT_TRUE(w.windowIcon().isNull() ||
                w.windowIcon().cacheKey() != pictures::windowIcon().cacheKey());
    expectLayout(&w, kMonitorWindowLayout);
    // The trend stands right of the grid and never over it.
    const QRect grid = child<QWidget>(&w, "CSVGrid")->geometry();
    EXPECT_GE(w.trend().geometry().left(), grid.right());

    // Taller, the grid grows downwards only; at the least size it is as laid out.
    w.resize(w.width() + 100, 500);
    EXPECT_EQ(child<QWidget>(&w, "CSVGrid")->geometry(), grid.adjusted(0, 0, 0, 500 - 323));
    w.resize(w.minimumSize());
    expectLayout(&w, kMonitorWindowLayout);
}

TEST_F(Layout, ControlsAreDrawnInTheirColours) {
    ModeWindow* mode = ModeWindow::showNew(services());
    const QColor lightYellow(255, 255, 192);
    for (const char* name : {"SSPanel1", "Label0"}) {
        auto* l = child<QLabel>(mode, name);
        EXPECT_TRUE(l->autoFillBackground()) << name;
        EXPECT_EQ(l->palette().color(QPalette::Window), lightYellow) << name;
    }
    EXPECT_EQ(child<QLabel>(mode, "Label0")->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);

    for (QWidget* w : std::initializer_list<QWidget*>{openOnline(), openLogger()}) {
        for (const char* name : {"Label4", "Label5"}) {
            auto* l = child<QLabel>(w, name);
            EXPECT_EQ(l->palette().color(QPalette::Active, QPalette::WindowText),
                      QColor(255, 0, 0));
            EXPECT_EQ(l->frameShape(), QFrame::Box);
        }
        EXPECT_EQ(child<QWidget>(w, "Text3")->palette().color(QPalette::Active, QPalette::Text),
                  QColor(0, 0, 128));
        EXPECT_EQ(
            child<QWidget>(w, "Label1")->palette().color(QPalette::Active, QPalette::WindowText),
            QColor(0, 0, 128));
    }
}

TEST_F(Layout, PicturesHaveTheirSizes) {
    ModeWindow* mode = ModeWindow::showNew(services());
    const QPixmap logo = child<QLabel>(mode, "SSPanel2")->pixmap();
    EXPECT_EQ(logo.size(), QSize(100, 59));
    const QList<QSize> sizes = mode->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    for (QWidget* w : std::initializer_list<QWidget*>{openOnline(), openLogger()}) {
        EXPECT_EQ(w->windowIcon().cacheKey(), mode->windowIcon().cacheKey());
        for (const char* name : {"SSCommand1", "SSCommand2"}) {
            auto* b = child<QAbstractButton>(w, name);
            EXPECT_TRUE(b->text().isEmpty());
            EXPECT_FALSE(b->icon().isNull());
        }
    }
}

TEST_F(Layout, CheckBoxSquaresFaceTheOuterNumbers) {
    LoggerWindow* w = openLogger();
    for (int n = 1; n <= 20; ++n) {
        const bool squareRight = (n >= 1 && n <= 5) || (n >= 11 && n <= 15);
        EXPECT_EQ(child<QWidget>(w, ("SSCheck1_" + std::to_string(n)).c_str())->layoutDirection(),
                  squareRight ? Qt::RightToLeft : Qt::LeftToRight)
            << "box " << n;
    }
}

std::vector<std::string> tabWalk(QWidget* window, int steps) {
    QApplication::setActiveWindow(window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    std::vector<std::string> seen;
    for (int i = 0; i < steps; ++i) {
        QWidget* f = QApplication::focusWidget();
        seen.push_back(f ? f->objectName().toStdString() : "none");
        if (!f) break;
        QTest::keyClick(f, Qt::Key_Tab);
    }
    return seen;
}

TEST_F(Layout, KeyboardOrderStartsAtThePortListAndGoesRoundToIt) {
    std::vector<std::string> modePanel = {"Combo1", "txtTime"};
    std::vector<std::string> loggerPanel;
    for (int n = 1; n <= 20; ++n)
        loggerPanel.push_back("SSCheck1_" + std::to_string(n));
    for (const auto& [window, panel] : {std::pair{"Tide02", modePanel}, {"Tide03", loggerPanel}}) {
        SCOPED_TRACE(window);
        std::vector<std::string> expected = {"Combo2", "SSCommand1", "Text3", "SSCommand2"};
        expected.insert(expected.end(), panel.begin(), panel.end());
        for (const char* name : {"SSCommand3", "SSCommand4", "SSCommand5", "Combo2"})
            expected.push_back(name);
        TransferFrame* w = openTransfer(window);
        EXPECT_EQ(tabWalk(w, static_cast<int>(expected.size())), expected);
        delete w;
    }
}

} // namespace
} // namespace tz::uitest
