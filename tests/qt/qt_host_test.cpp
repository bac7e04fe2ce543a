#include "backends/qt/local_offset.h"
#include "backends/qt/qt_host.h"

#include "qt_rig.h"

#include <QAbstractButton>
#include <QLocale>
#include <QMessageBox>
#include <QTime>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>

namespace tz {
namespace {

TEST(TimeFormat, ZoneFieldIsDroppedWithItsBlank) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"HH:mm:ss t", "HH:mm:ss"},
        {"h:mm:ss AP t", "h:mm:ss AP"},
        {"t HH:mm:ss", "HH:mm:ss"},
        {"HH:mm:ss tttt", "HH:mm:ss"},
        {"H:mm:ss 'h'. t", "H:mm:ss 'h'."},
        {"HH 'h' mm 'min' ss 's' t", "HH 'h' mm 'min' ss 's'"},
        // A quoted t is text, not the zone.
        {"HH 'at' mm:ss", "HH 'at' mm:ss"},
        {"HH:mm:ss", "HH:mm:ss"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(timeFormatWithoutZone(QString::fromUtf8(c.in)).toStdString(), c.out) << c.in;
}

TEST(TimeFormat, CLocaleShowsTwentyFourHoursWithSecondsOthersTheirOwnFormAndNoneAZone) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(timeOfDayText(c, QTime(7, 5, 9)), "07:05:09");
    EXPECT_EQ(timeOfDayText(c, QTime(23, 59, 59, 999)), "23:59:59");
    EXPECT_EQ(timeOfDayText(c, QTime(0, 0, 0)), "00:00:00");
    EXPECT_EQ(timeOfDayText(c, QTime(13, 0, 1)), "13:00:01");
    // Twelve hours with AM/PM, and the text ends there: no zone after it.
    const std::string us = timeOfDayText(QLocale("en_US"), QTime(13, 4, 5));
    EXPECT_EQ(us.rfind("1:04:05", 0), 0u) << us;
    ASSERT_GE(us.size(), 2u);
    EXPECT_EQ(us.substr(us.size() - 2), "PM") << us;
}

TEST(QtHostClock, DaySecondsAndTimeTextAreLocalAndTellTheSameTime) {
    ASSERT_EQ(QLocale::system().name(), QLocale::c().name()) << "the tests run in the C locale";
    QtHost host;
    const DayNumber day = host.today();
    const double seconds = host.secondsSinceMidnight();
    const std::string text = host.timeOfDayText();

    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    const auto ymd =
        std::chrono::year_month_day{std::chrono::year{local.tm_year + 1900},
                                    std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                    std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
    const long expectedDay = std::chrono::sys_days{ymd}.time_since_epoch().count();
    const double expectedSeconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    if (expectedSeconds < 2) GTEST_SKIP() << "midnight passed during the test";

    EXPECT_EQ(day, expectedDay);
    EXPECT_GE(seconds, 0.0);
    EXPECT_LT(seconds, 86400.0);
    EXPECT_NEAR(seconds, expectedSeconds, 2.0);
    // The system locale's form, and the same time as the seconds (unless a
    // second ticked).
    ASSERT_EQ(text.size(), 8u) << text;
    EXPECT_EQ(text[2], ':');
    EXPECT_EQ(text[5], ':');
    const int shown = std::stoi(text.substr(0, 2)) * 3600 + std::stoi(text.substr(3, 2)) * 60 +
                      std::stoi(text.substr(6, 2));
    EXPECT_LE(std::abs(seconds - shown), 2.0) << text << " vs " << seconds;
}

TEST(QtHostClock, OffsetFollowsTheZoneAcrossBothDaylightSavingChanges) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    // UTC instants around 2026-03-29 01:00 and 2026-10-25 01:00, where
    // Berlin goes from +01:00 to +02:00 and back.
    const struct {
        long long epochMs;
        int offset;
    } cases[] = {{1774745999000, 3600},
                 {1774746000000, 7200},
                 {1792889999000, 7200},
                 {1792890000000, 3600},
                 {1796734987000, 3600}};
    for (const auto& c : cases)
        EXPECT_EQ(utcOffsetSecondsAt(c.epochMs), c.offset) << c.epochMs;
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(QtHostClock, SecondsCarryMilliseconds) {
    QtHost host;
    bool fraction = false;
    for (int i = 0; i < 20 && !fraction; ++i) {
        const double s = host.secondsSinceMidnight();
        fraction = s != static_cast<double>(static_cast<long>(s));
        host.sleepMs(7);
    }
    EXPECT_TRUE(fraction);
}

TEST(QtHostEvents, PumpRunsPendingEventsAndSleepWaits) {
    QtHost host;
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    host.pumpEvents();
    EXPECT_TRUE(ran);

    const auto before = std::chrono::steady_clock::now();
    host.sleepMs(20);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(20));
    host.sleepMs(0);
    host.sleepMs(-5);
}

TEST(QtHostMessages, HookTakesTheMessageInsteadOfABox) {
    QtHost host;
    std::string text, title;
    int calls = 0;
    host.setMessageBoxHook([&](const std::string& t, const std::string& ti) {
        text = t;
        title = ti;
        ++calls;
    });
    host.messageBox("232Port No. is bad", "TIDEWELL-Z");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(text, "232Port No. is bad");
    EXPECT_EQ(title, "TIDEWELL-Z");
}

TEST(QtHostMessages, BoxIsModalWithOkOnlyNoIconAndTheGivenTitle) {
    QtHost host;
    struct Seen {
        bool found = false;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Information;
        QMessageBox::StandardButtons buttons;
        bool modal = false;
    } seen;
    const auto poll = qt_test::answerNextDialog<QMessageBox>([&seen](QMessageBox& box) {
        seen.found = true;
        seen.title = box.windowTitle();
        seen.text = box.text();
        seen.icon = box.icon();
        seen.buttons = box.standardButtons();
        seen.modal = box.isModal();
        box.button(QMessageBox::Ok)->click();
    });
    host.messageBox("232Port cannot open \xC3\xA9", "TIDEWELL-Z");

    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title.toStdString(), "TIDEWELL-Z");
    EXPECT_EQ(seen.text.toStdString(), "232Port cannot open \xC3\xA9");
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(seen.modal);
}

} // namespace
} // namespace tz
