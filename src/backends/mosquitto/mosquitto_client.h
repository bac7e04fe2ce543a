#pragma once
// The MQTT client on the window thread: libmosquitto without its own
// thread, its socket watched by the event loop (a QSocketNotifier for
// reading, one for writing while libmosquitto has bytes waiting) and a
// one-second timer for the keep-alive pings.
#include "platform/broker_client.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>

struct mosquitto;

namespace tz {

class MosquittoClient : public QObject, public BrokerClient {
  public:
    MosquittoClient();
    ~MosquittoClient() override;

    void setEvents(Events events) override { events_ = std::move(events); }
    void connect(const BrokerSession& session) override;
    int publish(const std::string& topic, const std::string& payload, bool retain) override;
    void disconnect() override;

  private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);

    // After every call into libmosquitto: watch its socket (a new one after
    // a connect, none after a loss) and ask for writability only while it
    // has bytes to write.
    void follow();
    void unwatch();
    void fail(const std::string& why);
    void reportLost(const std::string& why);
    void release();

    Events events_;
    mosquitto* mosq_ = nullptr;
    int socket_ = -1;
    std::unique_ptr<QSocketNotifier> reader_, writer_;
    QTimer misc_;
    long generation_ = 0;
    bool refused_ = false; // this attempt's login was refused; its end is no loss
    bool connected_ = false;
};

} // namespace tz
