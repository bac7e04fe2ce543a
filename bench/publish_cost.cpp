// What publishing to a broker costs an on-line run: the time the broker
// sink's write adds to a poll's row (the JSON message, the queue, the hand
// over to the connection), and the memory of a full queue.
//
// Starts a real mosquitto on 127.0.0.1 and a free port, connects the sink
// through the libmosquitto client on this thread's event loop, and writes
// rows with the event loop running between them, as polls do. Then stops
// the broker and writes 100,000 rows that have to wait in the queue, and
// prints the resident memory.
//
//   publish_cost [--rows N]      (default 5000 connected rows)
#include "backends/mosquitto/mosquitto_client.h"
#include "backends/qt/qt_host.h"
#include "backends/qt/qt_timer.h"
#include "broker_process.h"
#include "publish/broker_sink.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// VmRSS or VmHWM of this process, in MB.
double memoryMb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::strlen(field) + 1)) / 1024;
    return -1;
}

tz::PolledRow row(long long seq) {
    tz::PolledRow r;
    r.seq = seq;
    r.wall = {1'796'714'713'250 + seq * 2000, 3600};
    r.value = "+" + std::to_string(1000 + seq % 9000) + ".345";
    r.number = 1000.345 + static_cast<double>(seq % 9000);
    r.unit = "m3/h";
    return r;
}

void runEvents(tz::QtHost& host, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        host.sleepMs(1);
    }
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    long long rows = 5000;
    for (int i = 1; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], "--rows")) rows = std::atoll(argv[i + 1]);

    tz::fake::BrokerProcess broker;
    if (!broker.start()) {
        std::fprintf(stderr, "publish_cost: mosquitto did not start\n");
        return 1;
    }
    tz::QtHost host;
    tz::MosquittoClient client;
    tz::QtTimer timer;
    tz::BrokerTarget target;
    std::string why;
    target.url = *tz::parseBrokerUrl(broker.url("plant/bench"), why);
    target.flushSeconds = 10;
    std::string reports;
    tz::BrokerSink sink(host, client, timer, target,
                        [&](const std::string& s) { reports += "  " + s + "\n"; });
    sink.begin({"COM1", "Flow rate", "TIME", "Flow rate"});
    for (int i = 0; i < 500 && sink.state() != tz::BrokerSink::State::Connected; ++i)
        runEvents(host, 10);
    if (sink.state() != tz::BrokerSink::State::Connected) {
        std::fprintf(stderr, "publish_cost: no connection\n");
        return 1;
    }

    std::vector<double> writeMs;
    for (long long seq = 1; seq <= rows; ++seq) {
        const tz::PolledRow r = row(seq);
        const auto t0 = Clock::now();
        sink.write(r);
        writeMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        runEvents(host, 1);
    }
    runEvents(host, 200);
    std::printf("connected: %lld rows, write median %.4f ms, p99 %.4f ms, max %.4f ms; "
                "%zu left in the queue\n",
                rows, percentile(writeMs, 0.5), percentile(writeMs, 0.99),
                *std::max_element(writeMs.begin(), writeMs.end()), sink.queued());

    broker.stop();
    for (int i = 0; i < 100 && sink.state() == tz::BrokerSink::State::Connected; ++i)
        runEvents(host, 10);
    const double before = memoryMb("VmRSS:");
    writeMs.clear();
    const long long queuedRows = static_cast<long long>(tz::MessageQueue::kCapacity);
    for (long long seq = rows + 1; seq <= rows + queuedRows; ++seq) {
        const tz::PolledRow r = row(seq);
        const auto t0 = Clock::now();
        sink.write(r);
        writeMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::printf("broker away: %zu rows queued (%zu dropped); "
                "write median %.4f ms, p99 %.4f ms; RSS %.1f MB before, %.1f MB after, "
                "peak %.1f MB\n",
                sink.queued(), sink.dropped(), percentile(writeMs, 0.5), percentile(writeMs, 0.99),
                before, memoryMb("VmRSS:"), memoryMb("VmHWM:"));

    // The broker back: how long the full queue takes to leave.
    if (!broker.start()) return 1;
    const auto t0 = Clock::now();
    for (int i = 0; i < 12000 && sink.queued() > 0; ++i)
        runEvents(host, 5);
    std::printf("broker back: queue of %zu left in %.1f s (backoff pause included)\n",
                static_cast<std::size_t>(queuedRows),
                std::chrono::duration<double>(Clock::now() - t0).count());
    sink.end(tz::RunEnd::Completed);
    std::fputs(reports.c_str(), stdout);
    return 0;
}
