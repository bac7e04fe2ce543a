// Throughput of the logger transfer into a CSV document: 20 sets of 256 KiB
// each, downloaded over a serial line that always has a full receive buffer
// waiting, on the virtual clock, with every work-file merge on the disk.
//
//     logger_throughput [folder]     (default: a fresh folder under /tmp)
#include "app/text.h"
#include "fake_host.h"
#include "instrument.h"
#include "logger/logger_transfer.h"
#include "platform/sheet_link.h"
#include "platform/shell.h"
#include "platform/views.h"
#include "sheet/document_link.h"
#include "sheet/unavailable_sheet.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tz;

constexpr int kSets = 20;
constexpr std::size_t kSetBytes = 256 * 1024;

// Replies are waiting in full at once; a read takes at most one receive
// buffer's worth, as a real port would hold no more.
class FastSerial : public SerialControl {
  public:
    void setCommPort(int) override {}
    void setSettings(const std::string&) override {}
    void setParityReplace(const std::string&) override {}
    void setNullDiscard(bool) override {}
    void setInBufferSize(int bytes) override { size_ = bytes; }
    int inBufferSize() const override { return size_; }
    void setInputLen(int) override {}
    void setPortOpen(bool open) override {
        open_ = open;
        pending_.clear();
        at_ = 0;
    }
    bool portOpen() const override { return open_; }
    void output(const std::string& text) override {
        pending_ = reply(text);
        at_ = 0;
    }
    std::string input() override {
        const std::size_t n = std::min<std::size_t>(pending_.size() - at_, size_);
        std::string out = pending_.substr(at_, n);
        at_ += n;
        return out;
    }
    int inBufferCount() override {
        return static_cast<int>(std::min<std::size_t>(pending_.size() - at_, size_));
    }
    void clearInBuffer() override { at_ = pending_.size(); }

    std::vector<std::string> downloads; // UTF-8, one per set

  private:
    std::string reply(const std::string& command) const {
        const int set = std::stoi(command.substr(2, 2));
        if (command.rfind("LF", 0) == 0) return "No." + command.substr(2, 2) + " 0001\r";
        return downloads[set - 1];
    }
    int size_ = 1024;
    bool open_ = false;
    std::string pending_;
    std::size_t at_ = 0;
};

class QuietView : public LoggerView {
  public:
    void enterIdle() override {}
    void enterTransferring() override {}
    void setStatus1(const std::string& t) override { status1 = t; }
    void setStatus2(const std::string& t) override { status2 = t; }
    std::string status1, status2;
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One set as the instrument sends it, cut after the record that passes
// 256 KiB, so every set has whole records of seven value lines.
std::string syntheticSet(int set, std::size_t& records) {
    sim::Config config;
    config.values = 7;
    std::string out;
    for (const auto& line : sim::loggerHeader(config, set, 0))
        out += line + '\r';
    out += '\r';
    records = 0;
    while (out.size() < kSetBytes) {
        for (const auto& line : sim::loggerRecord(config, set, static_cast<int>(records)))
            out += line + '\r';
        out += '\r';
        ++records;
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const fs::path dir =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "tz_logger_throughput";
    fs::remove_all(dir);
    fs::create_directories(dir / "program");

    FastSerial serial;
    std::size_t bytes = 0, records = 0;
    for (int n = 1; n <= kSets; ++n) {
        std::size_t r = 0;
        const std::string raw = syntheticSet(n, r);
        bytes += raw.size();
        records = std::max(records, r);
        serial.downloads.push_back(text::fromLatin1(raw));
    }

    fake::FakeHost host(0, 100.0);
    LoggerRequest request;
    request.portNo = 1;
    request.lineSettings = "9600,N,8,1";
    request.toWorkbook = false;
    request.ticked.fill(true);
    request.documentPath = (dir / "Tidewell.csv").string();
    request.workFolder = (dir / "program").string();
    QuietView view;
    // CSV only: the spreadsheet side is never asked.
    UnavailableShell shell;
    UnavailableSheetLink link;
    StopFlag stop;
    DocumentLink sheet(host, shell, link, stop);
    LoggerTransfer transfer(host, serial, view, sheet, stop);

    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    transfer.start(request);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;

    if (!host.messages.empty()) {
        std::fprintf(stderr, "transfer failed: %s\n", host.messages.front().text.c_str());
        return 1;
    }
    // The document must hold every set side by side: five header lines,
    // the empty line, the unit line and one line per record.
    std::ifstream in(request.documentPath, std::ios::binary);
    std::size_t lines = 0, lastFields = 0;
    for (std::string line; std::getline(in, line);) {
        ++lines;
        if (lines == 8)
            lastFields = static_cast<std::size_t>(std::count(line.begin(), line.end(), ','));
    }
    const std::size_t docBytes = fs::file_size(request.documentPath);
    if (lines != 7 + records || lastFields != 7 * kSets || fs::exists(dir / "program/Work.csv")) {
        std::fprintf(stderr, "unexpected document: %zu lines, %zu fields in the first record\n",
                     lines, lastFields);
        return 1;
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("logger download into CSV: %d sets, %zu bytes received, document %zu bytes\n",
                kSets, bytes, docBytes);
    std::printf("wall time %.3f s, throughput %.1f MB/s (%.0f bytes/s)\n", seconds,
                static_cast<double>(bytes) / seconds / 1e6, static_cast<double>(bytes) / seconds);
    // On a shared machine the processor time says more than the wall clock.
    std::printf("processor time %.3f s (user + system), throughput %.1f MB/s\n", cpu,
                static_cast<double>(bytes) / cpu / 1e6);
    std::printf("peak memory (maxrss) %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    fs::remove_all(dir);
    return 0;
}
