#pragma once
// An on-line data window on the virtual clock: fake host, timer, serial
// line, view and spreadsheet side around the real transfer logic, and a
// scripted instrument that answers each command after a delay. A run's
// sinks are assembled as the window does: the CSV document and the data
// monitor (here a recording sink), or the workbook.
#include "fake_host.h"
#include "fake_serial.h"
#include "fake_sinks.h"
#include "fake_views.h"
#include "scratch.h"

#include "app/globals.h"
#include "online/csv_sink.h"
#include "online/online_transfer.h"
#include "online/workbook_sink.h"
#include "sheet/document_link.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tz::test {

// `Serial` lets a test put a stricter port under the same window.
template <class Serial = fake::FakeSerial> struct OnlineRigOf {
    static constexpr DayNumber kDay = 20000;

    explicit OnlineRigOf(double startSeconds = 8 * 3600.0)
        : host(kDay, startSeconds), timer(host), serial(host), sheet(host, shell, link, stop),
          transfer(host, serial, view, timer, stop) {
        globals.CommSettings = "9600,E,7,1";
        globals.SaveFormat = 0;
        commands[1] = "DQ01";
        commands[13] = "DV";
        commands[14] = "DI+";
        commands[15] = "DI-";
        view.document = dir.file("Tidewell.csv");
        view.digits = "000002";
        sheet.retryPauseMs = 250;
        sheet.retryLimitSeconds = 60;
        serial.onOutput = [this](const std::string& cmd) { answer(cmd); };
    }

    // The instrument: every command gets `reply` after `replyDelay`
    // seconds; an empty reply means it stays silent.
    std::string reply = "+0012.345\r";
    double replyDelay = 0.25;
    std::function<std::string(const std::string&)> replyFor;

    void answer(const std::string& cmd) {
        const std::string r = replyFor ? replyFor(cmd) : reply;
        if (!r.empty()) serial.arriveIn(replyDelay, r);
    }

    // "Start Transfer!" with what the window shows now.
    OnlineRequest request() {
        OnlineRequest r;
        r.portNo = view.portIndex + 1;
        r.lineSettings = globals.CommSettings;
        r.toWorkbook = globals.SaveFormat == 1;
        r.commands = commands;
        r.paramIndex = view.paramIndex;
        r.paramText = view.selectedParamText();
        r.intervalDigits = view.digits;
        r.documentPath = view.document;
        r.owner = view.handle;
        if (r.toWorkbook) {
            r.sinks.push_back(std::make_shared<WorkbookSink>(sheet, r.documentPath, r.owner));
        } else {
            r.sinks.push_back(csvSink = std::make_shared<CsvDocumentSink>(r.documentPath));
            r.sinks.push_back(monitor);
        }
        return r;
    }
    void start() { transfer.start(request()); }

    // Output into a workbook that exists.
    void useWorkbook() {
        globals.SaveFormat = 1;
        view.document = dir.file("Tidewell.xls");
        writeFile(view.document, "workbook");
    }

    // Every way a transfer ends leaves the window idle, the port closed, no
    // timer running and the document closed.
    void expectEnded() const {
        EXPECT_FALSE(view.transferring);
        EXPECT_FALSE(serial.portOpen());
        EXPECT_FALSE(timer.active());
        EXPECT_FALSE(transfer.running());
        EXPECT_FALSE(transfer.sinksOpen());
        if (csvSink) {
            EXPECT_FALSE(csvSink->isOpen());
        }
    }

    // The rows the data monitor was given, by grid row (0: the header).
    std::string monitorCell(std::size_t gridRow, int col) const {
        if (gridRow == 0) {
            if (monitor->begins.empty()) return {};
            return col == 0 ? monitor->begins.back().timeHeader
                            : monitor->begins.back().valueHeader;
        }
        for (const PolledRow& r : monitor->rows)
            if (r.seq == static_cast<long long>(gridRow)) return col == 0 ? r.time : r.value;
        return {};
    }

    // Virtual time relative to the start of the test.
    double at(double offset) const { return t0 + offset; }
    double sinceStart(double absolute) const { return absolute - t0; }
    void runTo(double offset) { host.runUntil(t0 + offset); }

    std::string csv() const { return readFile(view.document); }

    TempDir dir{"tz-online", true};
    Globals globals;
    std::array<std::string, 21> commands{};
    StopFlag stop;
    fake::FakeHost host;
    fake::FakeTimer timer;
    Serial serial;
    fake::FakeOnlineView view;
    fake::FakeShell shell;
    fake::FakeSheetLink link;
    DocumentLink sheet;
    std::shared_ptr<fake::RecordingSink> monitor = std::make_shared<fake::RecordingSink>("monitor");
    std::shared_ptr<CsvDocumentSink> csvSink; // of the last CSV run
    OnlineTransfer transfer;
    double t0 = host.now();
};
using OnlineRig = OnlineRigOf<>;

} // namespace tz::test
