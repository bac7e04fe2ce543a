#pragma once
// A desktop shell and a spreadsheet link that record what the logic asked of
// them. Given a log, both also write their calls into it, so tests can check
// the order across the two.
#include "platform/failure.h"
#include "platform/sheet_link.h"
#include "platform/shell.h"

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

// A shell with no windows that opens nothing: for tests of the cell writes.
class NoShell : public Shell {
  public:
    bool findWindow(const std::string&) override { return false; }
    void openDocument(const std::string&, WindowHandle) override {}
    void activate(const std::string&) override {}
};

class FakeSheetLink : public SheetLink {
  public:
    explicit FakeSheetLink(std::vector<std::string>* log = nullptr) : log_(log) {}

    struct Poke {
        std::string item, text; // item: the cell as "R<row>C<col>"
        bool operator==(const Poke&) const = default;
        friend std::ostream& operator<<(std::ostream& os, const Poke& p) {
            return os << p.item << "=\"" << p.text << '"';
        }
    };

    // Attempts to open the link that meet no answer before one succeeds,
    // and cell writes that meet no answer before one goes through: a
    // spreadsheet program still starting, or busy. Negative: it never answers.
    int silentAttempts = 0;
    int silentPokes = 0;
    std::optional<Failure> linkFailure; // thrown by every attempt instead
    std::optional<Failure> pokeFailure; // thrown by every cell write once set
    // At the start of every attempt: a slow connect, a clock that jumps.
    std::function<void()> onAttempt;

    std::string document; // the last document an attempt was made on
    int attempts = 0;     // opens asked for, answered or not
    int closes = 0;
    std::vector<Poke> pokes;

    void open(const std::string& path) override {
        document = path;
        ++attempts;
        open_ = false;
        if (onAttempt) onAttempt();
        if (linkFailure) throw *linkFailure;
        if (unanswered(silentAttempts)) throw noAnswer();
        open_ = true;
        note("link " + path);
    }
    void close() noexcept override {
        ++closes;
        open_ = false;
        note("close link");
    }
    bool isOpen() const override { return open_; }
    void writeCell(int row, int col, const std::string& text) override {
        if (pokeFailure) throw *pokeFailure;
        if (unanswered(silentPokes)) throw noAnswer();
        pokes.push_back({"R" + std::to_string(row) + "C" + std::to_string(col), text});
        cells_[{row, col}] = text;
    }
    void endLaunched() noexcept override { note("link end launched"); }

    // The sheet as the writes leave it: (row, column) -> text.
    const std::map<std::pair<int, int>, std::string>& cells() const { return cells_; }

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
    bool open_ = false;
    std::map<std::pair<int, int>, std::string> cells_;
};

} // namespace tz::fake
