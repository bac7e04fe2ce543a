#pragma once
// The transfer views of an unattended run: no window, the transfer's
// progress and end as lines on standard error.
#include "platform/views.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace tz {

class ConsoleOnlineView : public OnlineView {
  public:
    ConsoleOnlineView(std::FILE* out, int paramIndex);

    void enterIdle() override;
    void enterTransferring() override {}
    void setStatus1(const std::string&) override {}
    void setStatus2(const std::string&) override {}
    void previousDocumentKept(const std::string& copy) override { previousCopy_ = copy; }

    int selectedParamIndex() const override { return paramIndex_; }
    void focusInterval() override {}
    void rowWritten(double at, const std::string& value, const std::string& reply) override;
    void nextPollDue(long long rows, double at) override;

    long long dataRows() const { return rows_; }
    const std::string& previousCopy() const { return previousCopy_; }
    // Only faults and the final line: no line per poll.
    bool quiet = false;
    std::function<void()> onIdle;
    std::function<void(long long dataRows)> onRow;

  private:
    std::FILE* out_;
    int paramIndex_;
    long long rows_ = 0;
    std::string lastValue_;
    std::string previousCopy_;
};

class ConsoleLoggerView : public LoggerView {
  public:
    explicit ConsoleLoggerView(std::FILE* out) : out_(out) {}

    void enterIdle() override {}
    void enterTransferring() override {}
    void setStatus1(const std::string&) override {}
    void setStatus2(const std::string&) override {}
    void loggerProgress(const LoggerProgress& progress) override;
    void loggerResult(const std::string& line) override;
    void previousDocumentKept(const std::string& copy) override { previousCopy_ = copy; }

    // Only faults and the final line: no progress lines.
    bool quiet = false;

  private:
    std::FILE* out_;
    std::string previousCopy_;
    std::string lastLine_;
    std::chrono::steady_clock::time_point lastPrint_{};
};

// The final line, with the dated copy that holds the previous document.
std::string withPreviousCopy(const std::string& line, const std::string& copy);

// "hh:mm:ss" of a clockNow time.
std::string clockOfDay(double at);

} // namespace tz
