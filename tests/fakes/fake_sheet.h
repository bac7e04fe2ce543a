#pragma once
// A shell and a spreadsheet link that record what the logic asked of them,
// in one shared log, so tests can check both the calls and their order.
#include "fake_host.h"
#include "platform/failure.h"
#include "platform/sheet_link.h"
#include "platform/shell.h"

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tz::fake {

class FakeShell : public Shell {
  public:
    explicit FakeShell(std::vector<std::string>& log) : log_(log) {}

    std::set<std::string> windows;     // titles of the top-level windows
    std::vector<std::string> lookedUp; // titles asked for, in order
    std::optional<Failure> activateFailure;
    WindowHandle lastOwner = 0;

    bool findWindow(const std::string& title) override {
        lookedUp.push_back(title);
        return windows.count(title) != 0;
    }
    void openDocument(const std::string& path, WindowHandle owner) override {
        lastOwner = owner;
        log_.push_back("open " + path);
    }
    void activate(const std::string& title) override {
        log_.push_back("activate " + title);
        if (activateFailure) throw *activateFailure;
    }
    bool windowComesLater = false;
    bool documentWindowComesLater() override { return windowComesLater; }
    void endLaunched() noexcept override { log_.push_back("shell end launched"); }

  private:
    std::vector<std::string>& log_;
};

class FakeSheetLink : public SheetLink {
  public:
    explicit FakeSheetLink(std::vector<std::string>& log) : log_(log) {}

    // Attempts to go manual that fail with "no answer" before one succeeds;
    // negative: the program never answers.
    int silentAttempts = 0;
    // Runs at the start of every attempt to go manual (a slow connect, a
    // clock that jumps).
    std::function<void()> onAttempt;
    std::optional<Failure> linkFailure; // thrown instead of "no answer"
    std::optional<Failure> pokeFailure;

    int attempts = 0;
    std::string topic;
    std::string item;
    struct Poke {
        std::string item, text;
    };
    std::vector<Poke> pokes;

    void setTopic(const std::string& t) override {
        topic = t;
        log_.push_back("topic " + t);
    }
    void setLinkMode(int mode) override {
        if (mode == None) {
            mode_ = None;
            log_.push_back("mode none");
            return;
        }
        ++attempts;
        if (onAttempt) onAttempt();
        if (linkFailure) throw *linkFailure;
        if (silentAttempts < 0 || attempts <= silentAttempts)
            throw Failure(FailureCode::NoDdeAnswer, "No foreign application responded");
        mode_ = mode;
        log_.push_back("mode manual");
    }
    int linkMode() const override { return mode_; }
    void setItem(const std::string& i) override { item = i; }
    void poke(const std::string& text) override {
        if (pokeFailure) throw *pokeFailure;
        pokes.push_back({item, text});
    }
    void endLaunched() noexcept override { log_.push_back("link end launched"); }

  private:
    std::vector<std::string>& log_;
    int mode_ = None;
};

} // namespace tz::fake
