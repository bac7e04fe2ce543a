#pragma once
// A desktop shell and a spreadsheet link that record what the logic asked of
// them. Given a log, both also write their calls into it, so tests can check
// the order across the two.
#include "platform/failure.h"
#include "platform/sheet_link.h"
#include "platform/shell.h"

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tz::fake {

class FakeShell : public Shell {
  public:
    explicit FakeShell(std::vector<std::string>* log = nullptr) : log_(log) {}

    std::set<std::string> windows; // titles of the top-level windows
    bool windowComesLater = false;
    std::optional<Failure> activateFailure;

    std::vector<std::string> lookedUp, opened; // in order
    WindowHandle lastOwner = 0;

    bool findWindow(const std::string& title) override {
        lookedUp.push_back(title);
        return windows.count(title) != 0;
    }
    void openDocument(const std::string& path, WindowHandle owner) override {
        opened.push_back(path);
        lastOwner = owner;
        note("open " + path);
    }
    void activate(const std::string& title) override {
        note("activate " + title);
        if (activateFailure) throw *activateFailure;
    }
    bool documentWindowComesLater() override { return windowComesLater; }
    void endLaunched() noexcept override { note("shell end launched"); }

  private:
    void note(const std::string& line) {
        if (log_) log_->push_back(line);
    }
    std::vector<std::string>* log_;
};

class FakeSheetLink : public SheetLink {
  public:
    explicit FakeSheetLink(std::vector<std::string>* log = nullptr) : log_(log) {}

    struct Poke {
        std::string item, text;
        bool operator==(const Poke&) const = default;
        friend std::ostream& operator<<(std::ostream& os, const Poke& p) {
            return os << p.item << "=\"" << p.text << '"';
        }
    };

    // Attempts to open the conversation that meet no answer before one
    // succeeds, and pokes that meet no answer before one goes through: a
    // spreadsheet program still starting, or busy. Negative: it never answers.
    int silentAttempts = 0;
    int silentPokes = 0;
    std::optional<Failure> linkFailure; // thrown by every attempt instead
    std::optional<Failure> pokeFailure; // thrown by every poke once set
    // At the start of every attempt: a slow connect, a clock that jumps.
    std::function<void()> onAttempt;

    std::string topic, item;
    std::vector<int> modes; // every mode asked for, answered or not
    int attempts = 0;       // modes other than None asked for
    std::vector<Poke> pokes;

    void setTopic(const std::string& t) override {
        topic = t;
        note("topic " + t);
    }
    void setLinkMode(int m) override {
        modes.push_back(m);
        if (m == None) {
            mode_ = None;
            note("mode none");
            return;
        }
        ++attempts;
        if (onAttempt) onAttempt();
        if (linkFailure) throw *linkFailure;
        if (unanswered(silentAttempts)) throw noAnswer();
        mode_ = m;
        note("mode manual");
    }
    int linkMode() const override { return mode_; }
    void setItem(const std::string& i) override { item = i; }
    void poke(const std::string& text) override {
        if (pokeFailure) throw *pokeFailure;
        if (unanswered(silentPokes)) throw noAnswer();
        pokes.push_back({item, text});
    }
    void endLaunched() noexcept override { note("link end launched"); }

    // The sheet as the pokes leave it: (row, column) -> text.
    std::map<std::pair<int, int>, std::string> cells() const {
        std::map<std::pair<int, int>, std::string> out;
        for (const auto& p : pokes) {
            // An item that is no "R<row>C<col>" lands on row or column 0,
            // where a comparison with the expected sheet shows it.
            int r = 0, c = 0;
            std::sscanf(p.item.c_str(), "R%dC%d", &r, &c);
            out[{r, c}] = p.text;
        }
        return out;
    }

  private:
    static bool unanswered(int& silent) {
        if (silent == 0) return false;
        if (silent > 0) --silent;
        return true;
    }
    static Failure noAnswer() {
        return Failure(FailureCode::NoDdeAnswer, "No foreign application responded");
    }
    void note(const std::string& line) {
        if (log_) log_->push_back(line);
    }
    std::vector<std::string>* log_;
    int mode_ = None;
};

} // namespace tz::fake
