#pragma once
// Recording fakes of the windows (on-line view, logger view) and, through
// fake_sheet.h, of the spreadsheet side, for tests of the transfer logic.
#include "fake_sheet.h"
#include "platform/failure.h"
#include "platform/views.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tz::fake {

class FakeOnlineView : public OnlineView {
  public:
    // --- what the operator set ---
    int portIndex = 0;
    std::string document = "/tmp/Tidewell.csv";
    int paramIndex = 0;
    std::vector<std::string> params{"Flow"};
    std::string digits = "000002";
    WindowHandle handle = 0;

    // --- what the logic did ---
    bool transferring = false;
    int idles = 0, transferrings = 0, focuses = 0;
    std::vector<std::string> status1, status2;

    void enterIdle() override {
        ++idles;
        transferring = false;
    }
    void enterTransferring() override {
        ++transferrings;
        transferring = true;
    }
    void setStatus1(const std::string& t) override { status1.push_back(t); }
    void setStatus2(const std::string& t) override { status2.push_back(t); }

    int selectedParamIndex() const override { return paramIndex; }
    std::string selectedParamText() const {
        if (paramIndex < 0 || paramIndex >= static_cast<int>(params.size())) return {};
        return params[paramIndex];
    }
    void previousDocumentKept(const std::string& copy) override { previousCopy = copy; }
    std::string previousCopy;
    void focusInterval() override { ++focuses; }
};

// A logger window: what the operator ticked and typed, and everything the
// logic showed, in order, in `log`.
class FakeLoggerView : public LoggerView {
  public:
    std::set<int> ticked;
    int portIndex = 0;
    std::string document;
    WindowHandle handle = 7;

    bool transferring = false;
    int idles = 0, transferrings = 0;
    std::string status1, status2; // as shown now
    std::vector<std::string> log; // "idle", "transferring", "1:<text>", "2:<text>"
    std::function<void(const std::string&)> onStatus2;
    std::vector<LoggerProgress> progress;
    std::vector<std::string> results;

    void enterIdle() override {
        ++idles;
        transferring = false;
        log.push_back("idle");
    }
    void enterTransferring() override {
        ++transferrings;
        transferring = true;
        log.push_back("transferring");
    }
    void setStatus1(const std::string& t) override {
        status1 = t;
        log.push_back("1:" + t);
    }
    void setStatus2(const std::string& t) override {
        status2 = t;
        log.push_back("2:" + t);
        if (onStatus2) onStatus2(t);
    }
    void loggerProgress(const LoggerProgress& p) override { progress.push_back(p); }
    void loggerResult(const std::string& line) override { results.push_back(line); }
    void previousDocumentKept(const std::string& copy) override { previousCopy = copy; }
    std::string previousCopy;
};

} // namespace tz::fake
