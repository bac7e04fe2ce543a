#include "backends/qt/qt_host.h"

#include <chrono>

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QMessageBox>
#include <QThread>
#include <QTime>

namespace tz {

QString timeFormatWithoutZone(const QString& format) {
    QString out;
    bool quoted = false;
    bool droppedAtStart = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (quoted || c != u't') {
            // Blanks that followed a zone at the very start go with it.
            if (droppedAtStart && out.isEmpty() && c.isSpace()) continue;
            droppedAtStart = false;
            out += c;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == u't')
            ++i;
        while (!out.isEmpty() && out.back().isSpace())
            out.chop(1);
        droppedAtStart = out.isEmpty();
    }
    return out;
}

std::string timeOfDayText(const QLocale& locale, const QTime& time) {
    return locale.toString(time, timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)))
        .toStdString();
}

void QtHost::pumpEvents() {
    QCoreApplication::processEvents();
}

void QtHost::sleepMs(int ms) {
    if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

DayNumber QtHost::today() {
    static const qint64 epoch = QDate(1970, 1, 1).toJulianDay();
    return static_cast<DayNumber>(QDate::currentDate().toJulianDay() - epoch);
}

double QtHost::secondsSinceMidnight() {
    // Microseconds, not QTime's milliseconds: a due time is met to well
    // under a millisecond, and a clock that only ticks in whole
    // milliseconds would make every poll up to 1 ms late by itself.
    using namespace std::chrono;
    const auto us = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    const qint64 secs = us >= 0 ? us / 1'000'000 : (us - 999'999) / 1'000'000;
    const QTime local = QDateTime::fromSecsSinceEpoch(secs).time();
    return local.msecsSinceStartOfDay() / 1000.0 + static_cast<double>(us - secs * 1'000'000) / 1e6;
}

std::string QtHost::timeOfDayText() {
    return tz::timeOfDayText(QLocale::system(), QTime::currentTime());
}

WallClock QtHost::wallClock() {
    const QDateTime now = QDateTime::currentDateTime();
    return {now.toMSecsSinceEpoch(), now.offsetFromUtc()};
}

void QtHost::messageBox(const std::string& text, const std::string& title) {
    if (hook_) {
        hook_(text, title);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace tz
