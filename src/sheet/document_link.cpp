#include "document_link.h"

#include "app/text_file.h"
#include "platform/failure.h"

#include <filesystem>
#include <system_error>

namespace tz {

namespace {

bool isSeparator(char c) {
#ifdef _WIN32
    return c == '\\';
#else
    // Linux paths use "/"; a "\" typed out of habit still separates.
    return c == '\\' || c == '/';
#endif
}

// A path ending in a separator stands for the normal files inside that
// folder: it matches when there is at least one.
bool matchesNormalFile(const std::string& path) {
    if (!path.empty() && (path.back() == '\\' || path.back() == '/')) {
        std::error_code ec;
        const std::filesystem::path dir(std::u8string(path.begin(), path.end()));
        for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (it->is_regular_file(ec)) return true;
        }
        return false;
    }
    return isNormalFile(path);
}

} // namespace

DocumentLink::DocumentLink(Globals& globals, Host& host, Shell& shell, SheetLink& link)
    : globals_(globals), host_(host), shell_(shell), link_(link) {}

std::string DocumentLink::documentName(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (isSeparator(path[i - 1])) return path.substr(i);
    return {};
}

std::string DocumentLink::baseName(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string DocumentLink::cellItem(int row, int col) {
    return "R" + std::to_string(row) + "C" + std::to_string(col);
}

std::vector<std::string> DocumentLink::openWindowTitles(const std::string& name) {
    const std::string base = baseName(name);
    std::vector<std::string> titles{"Microsoft Excel - " + name, "Microsoft Excel - " + base};
#ifndef _WIN32
    titles.push_back(name + " - LibreOffice Calc");
    titles.push_back(base + " - LibreOffice Calc");
#endif
    return titles;
}

DocumentLink::Result DocumentLink::checkAndLink(const std::string& path, WindowHandle owner) {
    const std::string name = documentName(path);
    if (!matchesNormalFile(path)) {
        host_.messageBox("File does not exist.\r\nAn error of an Application document.", kAppTitle);
        return Result::Refused;
    }
    if (!path.empty() && (path.back() == '\\' || path.back() == '/')) {
        host_.messageBox("File is not appointed.", kAppTitle);
        return Result::Refused;
    }
    for (const auto& title : openWindowTitles(name)) {
        if (shell_.findWindow(title)) {
            host_.messageBox(name + " is already opened.\r\nPush \"Start Transfer!\" again after "
                                    "closing " +
                                 name,
                             kAppTitle);
            return Result::Refused;
        }
    }
    shell_.openDocument(path, owner);
    shell_.activate(kAppTitle);
    link_.setTopic("Excel|" + path);

    // The spreadsheet program needs a moment to start and load the
    // document; keep asking, with the window alive, but not forever.
    int waitedMs = 0;
    for (;;) {
        try {
            link_.setLinkMode(SheetLink::Manual);
            return Result::Linked;
        } catch (const Failure& f) {
            if (f.code() != FailureCode::NoDdeAnswer) throw;
        }
        if (globals_.StopRequest) return Result::Stopped;
        if (waitedMs >= retryLimitSeconds * 1000.0)
            throw Failure(FailureCode::Other,
                          "The spreadsheet program did not answer for " +
                              std::to_string(static_cast<int>(retryLimitSeconds)) +
                              " seconds. Check that it can open " + path + ".");
        host_.pumpEvents();
        if (globals_.StopRequest) return Result::Stopped;
        host_.sleepMs(retryPauseMs);
        waitedMs += retryPauseMs;
    }
}

void DocumentLink::writeCell(int row, int col, const std::string& text) {
    link_.setItem(cellItem(row, col));
    link_.poke(text);
}

void DocumentLink::endLink() { link_.setLinkMode(SheetLink::None); }

} // namespace tz
