#pragma once
// A logger window on the virtual clock: a recording view, a recording
// spreadsheet side, a scripted instrument on the fake serial line, and a
// scratch program folder.
#include "app/globals.h"
#include "app/settings_folder.h"
#include "app/text.h"
#include "fake_host.h"
#include "fake_serial.h"
#include "fake_views.h"
#include "logger/logger_transfer.h"
#include "scratch.h"
#include "sheet/document_link.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tz::logger_test {

namespace fs = std::filesystem;

// Pieces of a reply: (seconds after the command went out, text).
using Reply = std::vector<std::pair<double, std::string>>;

// The non-empty fields of CSV lines as cells, numbered from 1.
inline std::map<std::pair<int, int>, std::string> csvCells(const std::vector<std::string>& lines) {
    std::map<std::pair<int, int>, std::string> out;
    for (std::size_t r = 0; r < lines.size(); ++r) {
        std::size_t from = 0;
        for (int c = 1;; ++c) {
            const std::size_t comma = lines[r].find(',', from);
            const std::string field = lines[r].substr(from, comma - from);
            if (!field.empty()) out[{static_cast<int>(r) + 1, c}] = field;
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
    }
    return out;
}

inline std::map<std::pair<int, int>, std::string>
withoutEmpty(std::map<std::pair<int, int>, std::string> cells) {
    std::erase_if(cells, [](const auto& kv) { return kv.second.empty(); });
    return cells;
}

struct Rig {
    explicit Rig(int saveFormat = 0) {
        fs::create_directories(dir / "program");
        globals.ProgramFolder = (dir / "program").string();
        globals.CommSettings = "9600,N,8,1";
        globals.SaveFormat = saveFormat;
        view.document = (dir / (saveFormat == 1 ? "Tidewell.xls" : "Tidewell.csv")).string();
        if (saveFormat == 1) test::writeFile(view.document, "workbook");
        serial.onOutput = [this](const std::string& sent) {
            auto it = replies.find(sent);
            if (it == replies.end()) return;
            const double t0 = host.now();
            for (const auto& [delay, chars] : it->second)
                serial.arriveAt(t0 + delay, chars);
        };
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // "Start Transfer!" with what the window shows now.
    LoggerRequest request() const {
        LoggerRequest r;
        r.portNo = view.portIndex + 1;
        r.lineSettings = globals.CommSettings;
        r.toWorkbook = globals.SaveFormat == 1;
        for (int n : view.ticked)
            if (n >= 1 && n <= 20) r.ticked[n] = true;
        r.documentPath = view.document;
        r.workFolder = settingsFolder(globals);
        r.owner = view.handle;
        return r;
    }
    void start() { transfer.start(request()); }

    // `command` without its CR.
    void reply(const std::string& command, Reply pieces) { replies[command + "\r"] = pieces; }
    void replyAtOnce(const std::string& command, const std::string& text) {
        reply(command, {{0.05, text}});
    }
    // A ticked set that holds data, and what its download sends in one piece.
    void setWithData(int set, const std::string& download) {
        view.ticked.insert(set);
        const std::string nn = LoggerTransfer::setNumber(set);
        replyAtOnce("LF" + nn, "No." + nn + " 0123\r");
        replyAtOnce("LD" + nn, download);
    }

    // `then` runs each time `command` (without its CR) goes out, once the
    // instrument has queued its reply.
    void afterSending(const std::string& command, std::function<void()> then) {
        serial.onOutput = [this, command = command + "\r", then = std::move(then),
                           inner = serial.onOutput](const std::string& sent) {
            inner(sent);
            if (sent == command) then();
        };
    }
    // "Stop Xfer" `seconds` after `command` went out.
    void stopAfterSending(const std::string& command, double seconds) {
        afterSending(command,
                     [this, seconds] { host.after(seconds, [this] { transfer.stopXfer(); }); });
    }

    // However a transfer ends, the window is idle and the port closed.
    void expectEnded() const {
        EXPECT_FALSE(serial.portOpen());
        EXPECT_FALSE(view.transferring);
        EXPECT_FALSE(transfer.running());
    }

    std::vector<std::string> sentTexts() const {
        std::vector<std::string> out;
        for (const auto& s : serial.sent)
            out.push_back(s.text);
        return out;
    }
    double sentAt(const std::string& text) const {
        for (const auto& s : serial.sent)
            if (s.text == text) return s.at;
        return -1;
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& m : host.messages)
            out.push_back(m.text);
        return out;
    }

    std::string workPath() const { return (dir / "program" / "Work.csv").string(); }
    std::string documentBytes() const { return test::readFile(view.document); }
    // The document's lines, as text; each must end in CR LF.
    std::vector<std::string> documentLines() const {
        std::vector<std::string> out = test::crlfLines(view.document);
        for (auto& line : out)
            line = text::fromSystem(line);
        return out;
    }

    test::TempDir scratch{"tz-logger"};
    fs::path dir = scratch.path();
    fake::FakeHost host{0, 100.0}; // near zero: exact sums of waits
    fake::FakeSerial serial{host};
    Globals globals;
    fake::FakeLoggerView view;
    fake::FakeShell shell;
    fake::FakeSheetLink link;
    StopFlag stop;
    DocumentLink sheet{host, shell, link, stop};
    LoggerTransfer transfer{host, serial, view, sheet, stop};
    std::map<std::string, Reply> replies;
};

// Lines joined with CR, each line followed by one.
inline std::string crLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l + "\r";
    return out;
}

} // namespace tz::logger_test
