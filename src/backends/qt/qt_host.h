#pragma once
// The host on Qt: the application's event loop, the thread's sleep, the
// local clock and modal message boxes.
#include "platform/host.h"

#include <QString>

#include <functional>
#include <string>

class QLocale;
class QTime;

namespace tz {

// A locale's long time format without its time-zone field ("HH:mm:ss t"
// becomes "HH:mm:ss"): the operator reads the time of a poll, and a zone
// name would only widen the column. Quoted literals stay as they are.
QString timeFormatWithoutZone(const QString& format);
// `time` in `locale`'s long time format without the zone, as UTF-8.
std::string timeOfDayText(const QLocale& locale, const QTime& time);

class QtHost : public Host {
  public:
    // Replaces the message box, for tests: a real one blocks forever when
    // nobody can click it.
    using MessageBoxHook = std::function<void(const std::string& text, const std::string& title)>;

    void pumpEvents() override;
    void sleepMs(int ms) override;
    DayNumber today() override;
    double secondsSinceMidnight() override;
    std::string timeOfDayText() override;
    WallClock wallClock() override;
    void messageBox(const std::string& text, const std::string& title) override;

    void setMessageBoxHook(MessageBoxHook hook) { hook_ = std::move(hook); }

  private:
    MessageBoxHook hook_;
};

} // namespace tz
