#pragma once
// An on-line run's rows on a plant's MQTT broker. The CSV document stays
// the record of truth: the broker's absence, a restart, a dropped line or
// a refused login never stops the run. Unsent messages wait in a bounded
// queue and go out in order once the broker answers again; the run's end
// gives them a bounded time to leave.
#include "app/broker_address.h"
#include "online/row_sink.h"
#include "platform/broker_client.h"
#include "platform/host.h"
#include "publish/message_queue.h"
#include "publish/reconnect_backoff.h"

#include <functional>
#include <memory>
#include <string>

namespace tz {

// mqtt://host:port/topic, without the user: where the rows go, for
// messages.
std::string brokerLocation(const BrokerAddress& address);

struct BrokerTarget {
    BrokerAddress url;
    std::string password; // from the environment or a file, never the command line
    // Seconds the run's end waits for the queue to leave.
    double flushSeconds = 10.0;
    std::size_t queueCapacity = MessageQueue::kCapacity;
};

class BrokerSink : public RowSink {
  public:
    // `report` gets the sentences an operator should read: lost and
    // regained connections, a refused login, dropped and unsent messages.
    using Report = std::function<void(const std::string&)>;

    // The client and the timer must outlive the sink; the sink owns their
    // callbacks.
    BrokerSink(Host& host, BrokerClient& client, Timer& retryTimer, BrokerTarget target,
               Report report);
    // The same, owning its client and timer: a run's sink list holds it
    // alone.
    BrokerSink(Host& host, std::unique_ptr<BrokerClient> client, std::unique_ptr<Timer> retryTimer,
               BrokerTarget target, Report report);
    ~BrokerSink() override;
    BrokerSink(const BrokerSink&) = delete;
    BrokerSink& operator=(const BrokerSink&) = delete;

    void begin(const RunStart& run) override;
    void write(const PolledRow& row) override;
    void end(RunEnd how) override;
    bool essential() const override { return false; }

    enum class State { Idle, Connecting, Connected, Waiting };
    State state() const { return state_; }
    std::size_t queued() const { return queue_.size(); }
    std::size_t dropped() const { return queue_.dropped(); }
    std::string statusTopic() const { return target_.url.topic + "/status"; }
    BrokerSession session() const;

    // Messages handed to the connection and not yet acknowledged, at most.
    static constexpr std::size_t kInFlight = 64;

  private:
    void connect();
    void onConnected();
    void onLost(const std::string& why, bool refused);
    void onDelivered(int id);
    void sendQueued();
    double now();
    std::string where() const;

    std::unique_ptr<BrokerClient> ownedClient_;
    std::unique_ptr<Timer> ownedTimer_;
    Host& host_;
    BrokerClient& client_;
    Timer& retryTimer_;
    BrokerTarget target_;
    Report report_;
    RunStart run_;
    MessageQueue queue_;
    ReconnectBackoff backoff_;
    State state_ = State::Idle;
    bool everConnected_ = false;
    bool lossReported_ = false; // since the last connection
    bool refusalReported_ = false;
    bool overflowReported_ = false;
    std::size_t droppedReported_ = 0;
    bool ending_ = false;
    int offlineId_ = 0;
    bool offlineDelivered_ = false;
};

} // namespace tz
