// The libmosquitto client on the event loop against a real broker: the
// sink's messages, the status and its will, and a refused login.
#include "backends/mosquitto/mosquitto_client.h"
#include "backends/qt/qt_host.h"
#include "backends/qt/qt_timer.h"
#include "publish/broker_sink.h"

#include "broker_process.h"
#include "qt_app.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace tz {
namespace {

using fake::BrokerProcess;
using fake::Subscriber;
using testing::ElementsAre;
using testing::HasSubstr;

struct LiveSink {
    explicit LiveSink(const std::string& url, const std::string& password = "") {
        BrokerTarget target;
        std::string why;
        target.url = *parseBrokerUrl(url, why);
        target.password = password;
        target.flushSeconds = 3;
        sink = std::make_unique<BrokerSink>(host, client, timer, target,
                                            [this](const std::string& s) { reports += s + "\n"; });
    }
    // Lets the event loop run until `done` or `seconds` have passed.
    template <class Pred> bool runUntil(Pred done, double seconds) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < seconds * 1000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            host.sleepMs(5);
        }
        return done();
    }
    void row(long long seq, const std::string& value, std::optional<double> number) {
        PolledRow r;
        r.seq = seq;
        r.wall = {1'796'714'713'250, 0};
        r.value = value;
        r.number = number;
        sink->write(r);
    }

    QtHost host;
    MosquittoClient client;
    QtTimer timer;
    std::string reports;
    std::unique_ptr<BrokerSink> sink;
};

class MosquittoClientTest : public testing::Test {
  protected:
    void SetUp() override {
        fake::ensureApplication("tz_mosquitto_tests");
        if (!BrokerProcess::installed()) GTEST_SKIP() << "mosquitto is not installed";
    }
};

TEST_F(MosquittoClientTest, RowsArriveRetainedBetweenOnlineAndOffline) {
    BrokerProcess broker;
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker.port(), "plant/#");
    ASSERT_TRUE(sub.waitSubscribed());
    LiveSink live(broker.url("plant/m1"));
    live.sink->begin({"COM2", "Flow", "TIME", "Flow"});
    ASSERT_TRUE(
        live.runUntil([&] { return live.sink->state() == BrokerSink::State::Connected; }, 5));
    live.row(1, "+0012.5", 12.5);
    live.row(2, "ERR", std::nullopt);
    ASSERT_TRUE(live.runUntil([&] { return live.sink->queued() == 0; }, 5));
    live.sink->end(RunEnd::Completed);
    ASSERT_TRUE(sub.waitFor([](auto& m) { return m.size() >= 4; }, 5000));
    EXPECT_THAT(sub.on("plant/m1/status"), ElementsAre("online", "offline"));
    const auto rows = sub.on("plant/m1");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "{\"seq\": 1, \"time\": \"2026-12-08T07:25:13.250+00:00\", \"port\": "
                       "\"COM2\", \"parameter\": \"Flow\", \"value\": 12.5, \"unit\": \"\", "
                       "\"text\": \"+0012.5\"}");
    EXPECT_THAT(rows[1], HasSubstr("\"value\": null"));
    EXPECT_EQ(live.reports, "");

    // What a collector that starts later sees: the last row and the status,
    // both retained.
    Subscriber late(broker.port(), "plant/#");
    ASSERT_TRUE(late.waitFor([](auto& m) { return m.size() >= 2; }, 5000));
    for (const auto& m : late.messages())
        EXPECT_TRUE(m.retained) << m.topic;
    EXPECT_THAT(late.on("plant/m1/status"), ElementsAre("offline"));
    EXPECT_THAT(late.on("plant/m1"), ElementsAre(HasSubstr("\"seq\": 2")));
}

TEST_F(MosquittoClientTest, ARefusedLoginAndAnAbsentBrokerAreSaidInWords) {
    BrokerProcess broker({false, "ops", "right"});
    ASSERT_TRUE(broker.start());
    {
        LiveSink wrong(broker.url("plant/m1", "ops"), "wrong");
        wrong.sink->begin({"COM1", "Flow", "TIME", "Flow"});
        ASSERT_TRUE(wrong.runUntil([&] { return !wrong.reports.empty(); }, 5));
        EXPECT_THAT(
            wrong.reports,
            HasSubstr("refused the login: not authorised (check the user name and password)."));
        wrong.sink->end(RunEnd::Stopped);
    }
    {
        LiveSink right(broker.url("plant/m1", "ops"), "right");
        right.sink->begin({"COM1", "Flow", "TIME", "Flow"});
        EXPECT_TRUE(
            right.runUntil([&] { return right.sink->state() == BrokerSink::State::Connected; }, 5));
        right.sink->end(RunEnd::Stopped);
    }
    broker.stop();
    LiveSink absent(broker.url("plant/m1"));
    absent.sink->begin({"COM1", "Flow", "TIME", "Flow"});
    ASSERT_TRUE(absent.runUntil([&] { return !absent.reports.empty(); }, 5));
    EXPECT_THAT(absent.reports, HasSubstr("not reached: Connection refused."));
}

} // namespace
} // namespace tz
