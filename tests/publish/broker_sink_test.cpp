// The broker sink on the virtual clock: queue bounds, the reconnect
// pauses, the order of what arrives, and the run's end.
#include "publish/broker_sink.h"

#include "fake_broker.h"
#include "fake_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tz {
namespace {

using fake::FakeBrokerClient;
using testing::ElementsAre;
using testing::HasSubstr;

TEST(MessageQueue, DropsTheOldestBeyondEitherBoundAndCountsThem) {
    MessageQueue byCount(3, 1000);
    for (const char* m : {"1", "2", "3", "4", "5"})
        byCount.push(m);
    EXPECT_EQ(byCount.size(), 3u);
    EXPECT_EQ(byCount.dropped(), 2u);
    EXPECT_EQ(*byCount.nextUnsent(), "3");

    MessageQueue byBytes(100, 10);
    EXPECT_EQ(byBytes.push("aaaa"), 0u);
    EXPECT_EQ(byBytes.push("bbbb"), 0u);
    EXPECT_EQ(byBytes.push("cccc"), 1u);
    EXPECT_EQ(byBytes.bytes(), 8u);
    // One message over the byte bound alone still waits, alone.
    EXPECT_EQ(byBytes.push(std::string(50, 'x')), 2u);
    EXPECT_EQ(byBytes.size(), 1u);
    EXPECT_EQ(byBytes.dropped(), 3u);
}

TEST(MessageQueue, LeavesOnlyInOrderAndSendsTheUnacknowledgedAgain) {
    MessageQueue q;
    for (const char* m : {"1", "2", "3", "4"})
        q.push(m);
    for (int id : {11, 12, 13})
        q.markSent(id);
    EXPECT_EQ(q.inFlight(), 3u);
    q.acknowledge(12); // out of order: "1" still holds the front
    EXPECT_EQ(q.size(), 4u);
    q.resendUnacknowledged();
    std::vector<std::string> again;
    for (int id = 21; q.nextUnsent(); ++id) {
        again.push_back(*q.nextUnsent());
        q.markSent(id);
    }
    EXPECT_THAT(again, ElementsAre("1", "3", "4"));
    for (int id : {21, 22, 23})
        q.acknowledge(id);
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(q.inFlight(), 0u);
    EXPECT_EQ(q.bytes(), 0u);
}

TEST(ReconnectBackoff, DoublesFromOneSecondToThirtyAndStartsAgain) {
    ReconnectBackoff b;
    std::vector<double> pauses;
    for (int i = 0; i < 7; ++i)
        pauses.push_back(b.next());
    EXPECT_THAT(pauses, ElementsAre(1, 2, 4, 8, 16, 30, 30));
    b.reset();
    EXPECT_EQ(b.next(), 1);
}

struct SinkRig {
    explicit SinkRig(std::size_t capacity = MessageQueue::kCapacity)
        : client(host), timer(host),
          sink(host, client, timer, target(capacity), [this](auto& s) { reports.push_back(s); }) {}

    static BrokerTarget target(std::size_t capacity) {
        BrokerTarget t;
        std::string why;
        t.url = *parseBrokerUrl("mqtt://ops@broker:1884/plant/m1", why);
        t.password = "pw";
        t.queueCapacity = capacity;
        return t;
    }

    void row(long long seq) {
        PolledRow r;
        r.seq = seq;
        r.value = std::to_string(seq);
        r.number = static_cast<double>(seq);
        sink.write(r);
    }

    // The seqs of the rows the broker acknowledged, in order.
    std::vector<long long> arrivedSeqs() const {
        std::vector<long long> seqs;
        for (const std::string& p : client.arrived("plant/m1"))
            seqs.push_back(std::stoll(p.substr(p.find(' ') + 1)));
        return seqs;
    }
    std::string allReports() const {
        std::string all;
        for (const std::string& r : reports)
            all += r + "\n";
        return all;
    }

    fake::FakeHost host;
    FakeBrokerClient client;
    fake::FakeTimer timer;
    std::vector<std::string> reports;
    BrokerSink sink;
};

TEST(BrokerSink, LogsInWithTheWillAndSendsEachRowRetainedAfterTheOnlineStatus) {
    SinkRig rig;
    rig.sink.begin({"COM1", "Flow", "TIME", "Flow"});
    const BrokerSession& s = rig.client.lastSession;
    EXPECT_EQ(s.host, "broker");
    EXPECT_EQ(s.port, 1884);
    EXPECT_EQ(s.user, "ops");
    EXPECT_EQ(s.password, "pw");
    EXPECT_EQ(s.willTopic, "plant/m1/status");
    EXPECT_EQ(s.willPayload, "offline");
    rig.host.runFor(1);
    for (int i = 1; i <= 3; ++i)
        rig.row(i);
    rig.host.runFor(1);
    EXPECT_THAT(rig.arrivedSeqs(), ElementsAre(1, 2, 3));
    EXPECT_THAT(rig.client.arrived("plant/m1/status"), ElementsAre("online"));
    for (const auto& m : rig.client.sent)
        EXPECT_TRUE(m.retain);
    rig.sink.end(RunEnd::Completed);
    EXPECT_THAT(rig.client.arrived("plant/m1/status"), ElementsAre("online", "offline"));
    EXPECT_EQ(rig.client.disconnects, 1);
    EXPECT_EQ(rig.allReports(), "");
}

TEST(BrokerSink, AbsentBrokerIsTriedAgainAfterDoublingPausesAndGetsTheQueueInOrder) {
    SinkRig rig;
    rig.client.broker = FakeBrokerClient::Broker::Down;
    const double t0 = rig.host.now();
    rig.sink.begin({"COM1", "Flow", "TIME", "Flow"});
    for (int i = 1; i <= 40; ++i) { // 80 s of rows every 2 s
        rig.row(i);
        rig.host.runFor(2);
    }
    std::vector<double> gaps;
    for (std::size_t i = 1; i < rig.client.attempts.size(); ++i)
        gaps.push_back(rig.client.attempts[i] - rig.client.attempts[i - 1] - rig.client.roundTrip);
    ASSERT_GE(gaps.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_NEAR(gaps[i], (std::vector<double>{1, 2, 4, 8, 16, 30})[i], 1e-6);
    EXPECT_DOUBLE_EQ(rig.client.attempts.front(), t0);
    EXPECT_THAT(rig.allReports(), HasSubstr("Broker broker:1884 not reached: connection refused."));
    EXPECT_EQ(rig.reports.size(), 1u); // once, not at every attempt

    rig.client.broker = FakeBrokerClient::Broker::Up;
    rig.host.runFor(31);
    std::vector<long long> expected;
    for (int i = 1; i <= 40; ++i)
        expected.push_back(i);
    EXPECT_EQ(rig.arrivedSeqs(), expected);
    EXPECT_THAT(rig.reports.back(), HasSubstr("reached again; 40 queued messages"));
    EXPECT_LE(rig.sink.queued(), 0u);
}

TEST(BrokerSink, ALostConnectionSendsWhatWasInFlightAgainInOrder) {
    SinkRig rig;
    rig.sink.begin({"COM1", "Flow", "TIME", "Flow"});
    rig.host.runFor(1);
    rig.row(1);
    rig.row(2);
    rig.host.runFor(1);
    rig.client.roundTrip = 1.0; // 3 and 4 leave, their acknowledgements never come
    rig.row(3);
    rig.row(4);
    rig.client.drop();
    rig.client.roundTrip = 0.005;
    rig.row(5);
    rig.client.broker = FakeBrokerClient::Broker::Up;
    rig.host.runFor(2);
    EXPECT_THAT(rig.arrivedSeqs(), ElementsAre(1, 2, 3, 4, 5));
    EXPECT_THAT(rig.client.arrived("plant/m1/status"), ElementsAre("online", "online"));
    EXPECT_THAT(rig.allReports(), HasSubstr("Broker broker:1884 lost: connection lost."));
}

TEST(BrokerSink, AFullQueueDropsTheOldestAndSaysHowMany) {
    SinkRig rig(5);
    rig.client.broker = FakeBrokerClient::Broker::Down;
    rig.sink.begin({"COM1", "Flow", "TIME", "Flow"});
    for (int i = 1; i <= 8; ++i)
        rig.row(i);
    EXPECT_EQ(rig.sink.dropped(), 3u);
    EXPECT_THAT(rig.allReports(), HasSubstr("The broker queue is full (5 messages)"));
    rig.client.broker = FakeBrokerClient::Broker::Up;
    rig.host.runFor(2);
    EXPECT_THAT(rig.arrivedSeqs(), ElementsAre(4, 5, 6, 7, 8));
    EXPECT_THAT(rig.allReports(), HasSubstr("3 messages were dropped from the full broker queue"));
}

TEST(BrokerSink, TheEndWaitsForAReachableBrokerAndCountsWhatStaysUnsent) {
    struct Case {
        const char* name;
        double brokerBackAfter; // seconds into the end's wait; < 0: never
        std::size_t unsent;
    };
    for (const Case c :
         {Case{"back at once", 0, 0}, Case{"back after 4 s", 4, 0}, Case{"away", -1, 6}}) {
        SCOPED_TRACE(c.name);
        SinkRig rig;
        rig.client.broker = FakeBrokerClient::Broker::Down;
        rig.sink.begin({"COM1", "Flow", "TIME", "Flow"});
        for (int i = 1; i <= 6; ++i)
            rig.row(i);
        rig.host.runFor(20); // in the 8 s pause before the fifth attempt
        const double endAt = rig.host.now();
        if (c.brokerBackAfter >= 0)
            rig.host.after(c.brokerBackAfter,
                           [&] { rig.client.broker = FakeBrokerClient::Broker::Up; });
        rig.sink.end(RunEnd::Stopped);
        EXPECT_EQ(rig.sink.queued(), c.unsent);
        EXPECT_LE(rig.host.now() - endAt, 10.1);
        if (c.unsent == 0) {
            EXPECT_THAT(rig.arrivedSeqs(), ElementsAre(1, 2, 3, 4, 5, 6));
            EXPECT_THAT(rig.client.arrived("plant/m1/status"), ElementsAre("online", "offline"));
            EXPECT_LT(rig.host.now() - endAt, c.brokerBackAfter + 1.1);
        } else {
            EXPECT_THAT(
                rig.reports.back(),
                HasSubstr("6 messages could not be sent to broker broker:1884 within 10 s"));
        }
        EXPECT_EQ(rig.sink.state(), BrokerSink::State::Idle);
    }
}

TEST(BrokerSink, ARefusedLoginIsSaidOnceAndTriedAgain) {
    SinkRig rig;
    rig.client.broker = FakeBrokerClient::Broker::Refusing;
    rig.sink.begin({"COM1", "Flow", "TIME", "Flow"});
    rig.row(1);
    rig.host.runFor(40);
    EXPECT_EQ(rig.reports.size(), 1u) << rig.allReports();
    EXPECT_THAT(rig.reports.front(), HasSubstr("refused the login: not authorised."));
    EXPECT_GE(rig.client.attempts.size(), 5u);
    rig.client.broker = FakeBrokerClient::Broker::Up;
    rig.host.runFor(31);
    EXPECT_THAT(rig.arrivedSeqs(), ElementsAre(1));
}

} // namespace
} // namespace tz
