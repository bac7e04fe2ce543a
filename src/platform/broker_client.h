#pragma once
// What publishing needs of an MQTT client: one connection at a time,
// opened and closed on request, QoS 1 messages out and their
// acknowledgements back. Everything happens on the window thread; the
// outcome of a request arrives later through the events, from the event
// loop (or from Host::pumpEvents).
#include <functional>
#include <string>

namespace tz {

struct BrokerSession {
    std::string host;
    int port = 1883;
    std::string user;     // "" for an anonymous login
    std::string password; // only with a user
    std::string clientId;
    // The connection's will: published by the broker when the connection
    // ends without a goodbye (the program died, the line went dead).
    std::string willTopic;
    std::string willPayload;
    int keepAliveSeconds = 30;
};

class BrokerClient {
  public:
    struct Events {
        // The broker accepted the login.
        std::function<void()> connected;
        // The broker answered the login with a refusal; `why` is a sentence.
        std::function<void(const std::string& why)> refused;
        // An attempt failed or the connection ended (not after disconnect()).
        std::function<void(const std::string& why)> lost;
        // The broker acknowledged the message publish() numbered `id`.
        std::function<void(int id)> delivered;
    };

    virtual ~BrokerClient() = default;
    virtual void setEvents(Events events) = 0;
    // Starts an attempt, dropping any connection there is.
    virtual void connect(const BrokerSession& session) = 0;
    // Hands a QoS 1 message to the connection; its id (> 0), or 0 when it
    // cannot be taken now (no connection).
    virtual int publish(const std::string& topic, const std::string& payload, bool retain) = 0;
    // A clean goodbye (the will is not published); no events after it.
    virtual void disconnect() = 0;
};

} // namespace tz
