#include "headless/console_views.h"

#include "app/console_text.h"
#include "logger/logger_progress.h"

#include <cmath>

namespace tz {

namespace {

// Within a set, one progress line a second at most: a service's log shows
// that the download goes on without filling up with it.
constexpr auto kQuietProgress = std::chrono::seconds(1);

void say(std::FILE* out, const std::string& line) {
    writeConsoleLine(out, line);
}

} // namespace

std::string withPreviousCopy(const std::string& line, const std::string& copy) {
    return copy.empty() ? line : line + "; earlier rows in " + copy;
}

std::string clockOfDay(double at) {
    const long s = static_cast<long>(std::floor(at - std::floor(at / 86400.0) * 86400.0));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", s / 3600 % 24, s / 60 % 60, s % 60);
    return buf;
}

ConsoleOnlineView::ConsoleOnlineView(std::FILE* out, int paramIndex)
    : out_(out), paramIndex_(paramIndex) {}

void ConsoleOnlineView::enterIdle() {
    if (onIdle) onIdle();
}

void ConsoleOnlineView::rowWritten(double, const std::string& value, const std::string&) {
    ++rows_;
    lastValue_ = value;
    if (onRow) onRow(rows_);
}

void ConsoleOnlineView::nextPollDue(long long rows, double at) {
    if (quiet) return;
    say(out_, "Row " + std::to_string(rows - 1) + ": " + lastValue_ + " (next poll " +
                  clockOfDay(at) + ")");
}

void ConsoleLoggerView::loggerProgress(const LoggerProgress& p) {
    if (quiet) return;
    const std::string line = progressLine(p);
    if (line.empty() || line == lastLine_) return;
    const auto now = std::chrono::steady_clock::now();
    // A new set always shows; within a set at most one line a second.
    const bool newSet = lastLine_.compare(0, line.find(',') + 1, line, 0, line.find(',') + 1) != 0;
    if (!newSet && now - lastPrint_ < kQuietProgress) return;
    lastLine_ = line;
    lastPrint_ = now;
    say(out_, line + ", " + withThousands(p.bytes) + " bytes");
}

void ConsoleLoggerView::loggerResult(const std::string& line) {
    say(out_, withPreviousCopy(line, previousCopy_));
}

} // namespace tz
