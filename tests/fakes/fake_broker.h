#pragma once
// A broker connection on the virtual clock: attempts succeed, fail or are
// refused as the test says, a short while after they are made, and the
// broker acknowledges each message after a round trip while it is up.
#include "fake_host.h"

#include "platform/broker_client.h"

#include <string>
#include <vector>

namespace tz::fake {

class FakeBrokerClient : public BrokerClient {
  public:
    struct Sent {
        std::string topic, payload;
        bool retain;
        int id;
    };

    explicit FakeBrokerClient(FakeHost& host) : host_(host) {}

    enum class Broker { Up, Down, Refusing };
    Broker broker = Broker::Up;
    double roundTrip = 0.005; // seconds to a connection's answer and to each acknowledgement

    void setEvents(Events events) override { events_ = std::move(events); }
    void connect(const BrokerSession& session) override {
        ++generation_;
        connected_ = false;
        attempts.push_back(host_.now());
        lastSession = session;
        const long g = generation_;
        host_.after(roundTrip, [this, g] {
            if (g != generation_) return;
            if (broker == Broker::Up) {
                connected_ = true;
                if (events_.connected) events_.connected();
            } else if (broker == Broker::Refusing) {
                if (events_.refused) events_.refused("not authorised.");
            } else if (events_.lost) {
                events_.lost("connection refused.");
            }
        });
    }
    int publish(const std::string& topic, const std::string& payload, bool retain) override {
        if (!connected_) return 0;
        const int id = nextId_++;
        sent.push_back({topic, payload, retain, id});
        const long g = generation_;
        host_.after(roundTrip, [this, g, id] {
            if (g != generation_ || !connected_) return;
            delivered.push_back(id);
            if (events_.delivered) events_.delivered(id);
        });
        return id;
    }
    void disconnect() override {
        ++generation_;
        connected_ = false;
        ++disconnects;
    }

    // The broker goes away: the connection ends, unacknowledged messages
    // with it.
    void drop() {
        broker = Broker::Down;
        if (!connected_) return;
        ++generation_;
        connected_ = false;
        if (events_.lost) events_.lost("connection lost.");
    }
    bool connected() const { return connected_; }

    // Payloads the broker acknowledged on `topic`, in order.
    std::vector<std::string> arrived(const std::string& topic) const {
        std::vector<std::string> out;
        for (int id : delivered)
            for (const Sent& s : sent)
                if (s.id == id && s.topic == topic) out.push_back(s.payload);
        return out;
    }

    std::vector<double> attempts;
    std::vector<Sent> sent;
    std::vector<int> delivered;
    BrokerSession lastSession;
    int disconnects = 0;

  private:
    FakeHost& host_;
    Events events_;
    bool connected_ = false;
    long generation_ = 0;
    int nextId_ = 1;
};

} // namespace tz::fake
