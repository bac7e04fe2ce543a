#pragma once
// Recording fakes of the windows (on-line view, monitor grid) and of the
// spreadsheet side (shell, live link), for tests of the transfer logic.
#include "platform/failure.h"
#include "platform/grid.h"
#include "platform/sheet_link.h"
#include "platform/shell.h"
#include "platform/views.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tz::fake {

// A grid that keeps its cells, throws GridRowOutOfRange beyond its rows and
// shows `visibleRows` rows from its top row (row 0 is fixed and always
// shown).
class FakeGrid : public Grid {
  public:
    int cols = 2;
    int rowCount = 2;
    int topRow = 1;
    int visibleRows = 15;
    std::pair<int, int> current{1, 1};
    std::map<std::pair<int, int>, std::string> cells;
    std::vector<int> rowCounts; // every setRows, in order
    int outOfRange = 0;         // GridRowOutOfRange thrown so far

    void setCols(int c) override { cols = c; }
    void setRows(int r) override {
        rowCount = r;
        rowCounts.push_back(r);
    }
    int rows() const override { return rowCount; }
    void setText(int row, int col, const std::string& text) override {
        if (row < 0 || row >= rowCount) {
            ++outOfRange;
            throw Failure(FailureCode::GridRowOutOfRange, "Subscript out of range");
        }
        if (col < 0 || col >= cols) throw Failure(FailureCode::Other, "Invalid column value");
        cells[{row, col}] = text;
    }
    void setCurrentCell(int row, int col) override { current = {row, col}; }
    bool rowIsVisible(int row) const override {
        return row == 0 || (row >= topRow && row < topRow + visibleRows);
    }
    void setTopRow(int row) override { topRow = row; }

    std::string text(int row, int col) const {
        auto it = cells.find({row, col});
        return it == cells.end() ? std::string() : it->second;
    }
    bool has(int row, int col) const { return cells.count({row, col}) != 0; }
};

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
    int idles = 0, transferrings = 0, focuses = 0, monitorShows = 0;
    std::vector<std::string> status1, status2;
    FakeGrid grid;

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
    void focusInterval() override { ++focuses; }
    void showMonitor() override { ++monitorShows; }
    Grid& monitorGrid() override { return grid; }
};

class FakeShell : public Shell {
  public:
    std::set<std::string> windows; // titles of open top-level windows
    std::vector<std::string> opened, activated;

    bool findWindow(const std::string& title) override { return windows.count(title) != 0; }
    void openDocument(const std::string& path, WindowHandle) override { opened.push_back(path); }
    void activate(const std::string& title) override { activated.push_back(title); }
};

// Records the conversation: topic, link modes, and every poke with the item
// it went to.
class FakeSheetLink : public SheetLink {
  public:
    struct Poke {
        std::string item, data;
    };
    std::string topic;
    std::vector<int> modes;
    std::vector<Poke> pokes;
    int mode = None;
    std::string item;
    int noAnswerLinks = 0;              // Manual fails with NoDdeAnswer this many times
    int noAnswerPokes = 0;              // poke fails with NoDdeAnswer this many times
    std::optional<Failure> pokeFailure; // thrown by every poke once set
    std::function<void(const Poke&)> onPoke;

    void setTopic(const std::string& t) override { topic = t; }
    void setLinkMode(int m) override {
        modes.push_back(m);
        if (m == Manual && noAnswerLinks > 0) {
            --noAnswerLinks;
            throw Failure(FailureCode::NoDdeAnswer, "No foreign application responded to a DDE "
                                                    "initiate");
        }
        mode = m;
    }
    int linkMode() const override { return mode; }
    void setItem(const std::string& i) override { item = i; }
    void poke(const std::string& text) override {
        if (pokeFailure) throw *pokeFailure;
        if (noAnswerPokes > 0) {
            --noAnswerPokes;
            throw Failure(FailureCode::NoDdeAnswer, "No foreign application responded");
        }
        pokes.push_back({item, text});
        if (onPoke) onPoke(pokes.back());
    }

    std::string cell(const std::string& it) const {
        std::string last;
        for (const auto& p : pokes)
            if (p.item == it) last = p.data;
        return last;
    }
};

} // namespace tz::fake
