#include "sheet/document_link.h"

#include "app/paths.h"
#include "app/text_file.h"
#include "app/title.h"
#include "platform/failure.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tz {

namespace {

// Operators on either system type both kinds of slash at the end of a
// folder path, so the trailing check knows both.
bool endsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

// A path ending in a separator stands for the normal files inside that
// folder: it matches when there is at least one.
bool matchesNormalFile(const std::string& path) {
    if (!endsWithSeparator(path)) return isNormalFile(path);
    std::error_code ec;
    const std::filesystem::path dir(std::u8string(path.begin(), path.end()));
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec)) return true;
    }
    return false;
}

} // namespace

DocumentLink::DocumentLink(Host& host, Shell& shell, SheetLink& link, const StopFlag& stop)
    : host_(host), shell_(shell), link_(link), stop_(stop) {}

std::string DocumentLink::documentName(const std::string& path) {
    const auto sep = path.rfind(kPathSeparator);
    return sep == std::string::npos ? std::string() : path.substr(sep + 1);
}

std::string DocumentLink::baseName(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::vector<std::string> DocumentLink::openWindowTitles(const std::string& name) {
    const std::string base = baseName(name);
    std::vector<std::string> titles{"Microsoft Excel - " + name, "Microsoft Excel - " + base};
#ifndef _WIN32
    // Calc plays Excel's part here and names its windows its own way.
    titles.push_back(name + " - LibreOffice Calc");
    titles.push_back(base + " - LibreOffice Calc");
#endif
    return titles;
}

std::string DocumentLink::notFoundMessage() {
    return "File does not exist.\r\nAn error of an Application document.";
}

std::string DocumentLink::notAppointedMessage() {
    return "File is not appointed.";
}

std::string DocumentLink::alreadyOpenedMessage(const std::string& name) {
    return name + " is already opened.\r\nPush \"Start Transfer!\" again after closing " + name;
}

std::string DocumentLink::cellNoAnswerMessage(int seconds) {
    return "The spreadsheet program did not answer for " + std::to_string(seconds) + " seconds.";
}

std::string DocumentLink::noAnswerMessage(const std::string& path, int seconds) {
    return "The spreadsheet program did not answer within " + std::to_string(seconds) +
           " seconds.\r\nCheck that it is installed and can open " + path;
}

DocumentLink::Result DocumentLink::checkAndLink(const std::string& path, WindowHandle owner) {
    const std::string name = documentName(path);
    // The classic lines first, then the document they mean.
    const std::string naming = path.empty() ? "" : "\r\n" + path;
    if (!matchesNormalFile(path)) {
        host_.messageBox(notFoundMessage() + naming, kAppTitle);
        return Result::Refused;
    }
    if (endsWithSeparator(path)) {
        host_.messageBox(notAppointedMessage() + naming, kAppTitle);
        return Result::Refused;
    }
    for (const auto& title : openWindowTitles(name)) {
        if (shell_.findWindow(title)) {
            host_.messageBox(alreadyOpenedMessage(name), kAppTitle);
            return Result::Refused;
        }
    }
    shell_.openDocument(path, owner);
    launchedAt_ = clockSeconds();
    awaitedTitles_.clear();
    // A spreadsheet program whose window comes up later would cover the
    // transfer window, "Stop Xfer" and all: ours then comes to the front
    // once that window is there.
    if (shell_.documentWindowComesLater())
        awaitedTitles_ = openWindowTitles(name);
    else
        shell_.activate(kAppTitle);
    // Whatever an earlier start left of a link ends: this series of
    // attempts starts afresh.
    link_.close();
    retryWhileNoAnswer([this, &path] { link_.open(path); },
                       noAnswerMessage(path, static_cast<int>(retryLimitSeconds)),
                       [this](double waited) { activateOnceShown(waited); },
                       [this] {
                           // Given up: what the launch started must not run on unseen.
                           awaitedTitles_.clear();
                           shell_.endLaunched();
                           link_.endLaunched();
                       });
    if (!awaitedTitles_.empty()) waitForDocumentWindow(clockSeconds() - launchedAt_);
    return Result::Linked;
}

void DocumentLink::activateOnceShown(double waited) {
    if (awaitedTitles_.empty()) return;
    const bool shown = std::any_of(awaitedTitles_.begin(), awaitedTitles_.end(),
                                   [this](const std::string& t) { return shell_.findWindow(t); });
    if (!shown && waited < windowWaitSeconds) return;
    awaitedTitles_.clear();
    shell_.activate(kAppTitle);
}

void DocumentLink::waitForDocumentWindow(double waited) {
    const double started = clockSeconds();
    long pausedMs = 0;
    for (;;) {
        activateOnceShown(waited + std::max(clockSeconds() - started, pausedMs / 1000.0));
        if (awaitedTitles_.empty()) return;
        letEventsRun(host_, stop_);
        host_.sleepMs(retryPauseMs);
        pausedMs += retryPauseMs;
    }
}

double DocumentLink::clockSeconds() {
    return static_cast<double>(host_.today()) * 86400.0 + host_.secondsSinceMidnight();
}

// Keep asking while the window stays alive, so that "Stop Xfer" is heard,
// but not forever: a program that never answers must not hang the window.
void DocumentLink::retryWhileNoAnswer(const std::function<void()>& attempt,
                                      const std::string& limitMessage,
                                      const std::function<void(double waited)>& beforeEachWait,
                                      const std::function<void()>& onGiveUp) {
    const double started = clockSeconds();
    long pausedMs = 0;
    for (;;) {
        try {
            attempt();
            return;
        } catch (const Failure& f) {
            if (f.code() != FailureCode::NoDdeAnswer) throw;
        }
        // The wall clock also counts the time spent inside the attempts;
        // the sum of the pauses keeps the bound when the clock is set back.
        const double waited = std::max(clockSeconds() - started, pausedMs / 1000.0);
        if (waited >= retryLimitSeconds) {
            if (onGiveUp) onGiveUp();
            throw Failure(FailureCode::Other, limitMessage);
        }
        if (beforeEachWait) beforeEachWait(waited);
        letEventsRun(host_, stop_);
        host_.sleepMs(retryPauseMs);
        pausedMs += retryPauseMs;
        letEventsRun(host_, stop_);
    }
}

void DocumentLink::writeCellWaiting(int row, int col, const std::string& text) {
    retryWhileNoAnswer([&] { writeCell(row, col, text); },
                       cellNoAnswerMessage(static_cast<int>(retryLimitSeconds)));
}

void DocumentLink::writeCell(int row, int col, const std::string& text) {
    link_.writeCell(row, col, text);
}

void DocumentLink::endLink() {
    link_.close();
}

} // namespace tz
