#include "backends/mosquitto/mosquitto_client.h"

#include <mosquitto.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace tz {

namespace {

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string sentence(std::string s) {
    if (!s.empty() && s.back() != '.') s += '.';
    return s;
}

std::string errorText(int rc) {
    if (rc == MOSQ_ERR_ERRNO) return sentence(std::strerror(errno));
    if (rc == MOSQ_ERR_EAI) return "its host name could not be resolved.";
    return sentence(mosquitto_strerror(rc));
}

std::string refusalText(int rc) {
    switch (rc) {
    case 4:
        return "bad user name or password.";
    case 5:
        return "not authorised (check the user name and password).";
    default:
        return sentence(mosquitto_connack_string(rc));
    }
}

// Every pending write is given a few packets per turn of the loop, so a
// long queue cannot hold up the window.
constexpr int kPacketsPerTurn = 64;
constexpr int kAnswerWithinMs = 10'000;

} // namespace

MosquittoClient::MosquittoClient() {
    initialiseLibrary();
    misc_.setInterval(1000);
    QObject::connect(&misc_, &QTimer::timeout, this, [this] {
        if (!mosq_) return;
        mosquitto_loop_misc(mosq_);
        follow();
    });
}

MosquittoClient::~MosquittoClient() {
    events_ = {};
    release();
}

void MosquittoClient::release() {
    ++generation_;
    unwatch();
    misc_.stop();
    connected_ = false;
    if (mosq_) {
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
    }
}

void MosquittoClient::connect(const BrokerSession& session) {
    release();
    refused_ = false;
    mosq_ = mosquitto_new(session.clientId.c_str(), true, this);
    if (!mosq_) {
        fail("the client could not be created.");
        return;
    }
    mosquitto_connect_callback_set(mosq_, &MosquittoClient::onConnect);
    mosquitto_disconnect_callback_set(mosq_, &MosquittoClient::onDisconnect);
    mosquitto_publish_callback_set(mosq_, &MosquittoClient::onPublish);
    // The sink keeps its own window of messages in flight.
    mosquitto_max_inflight_messages_set(mosq_, 0);
    mosquitto_int_option(mosq_, MOSQ_OPT_TCP_NODELAY, 1);
    if (!session.willTopic.empty())
        mosquitto_will_set(mosq_, session.willTopic.c_str(),
                           static_cast<int>(session.willPayload.size()), session.willPayload.data(),
                           1, true);
    if (!session.user.empty())
        mosquitto_username_pw_set(mosq_, session.user.c_str(),
                                  session.password.empty() ? nullptr : session.password.c_str());
    const int rc = mosquitto_connect_async(mosq_, session.host.c_str(), session.port,
                                           session.keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        fail(errorText(rc));
        return;
    }
    misc_.start();
    // A broker host that never answers the handshake would otherwise hold
    // the attempt for the system's connect timeout (minutes).
    const long g = generation_;
    QTimer::singleShot(kAnswerWithinMs, this, [this, g] {
        if (g != generation_ || connected_ || refused_) return;
        release();
        reportLost("no answer within " + std::to_string(kAnswerWithinMs / 1000) + " s.");
    });
    follow();
}

void MosquittoClient::fail(const std::string& why) {
    // The outcome of a request arrives from the event loop, never inside it.
    const long g = generation_;
    QTimer::singleShot(0, this, [this, g, why] {
        if (g == generation_) reportLost(why);
    });
}

void MosquittoClient::reportLost(const std::string& why) {
    connected_ = false;
    if (events_.lost) events_.lost(why);
}

int MosquittoClient::publish(const std::string& topic, const std::string& payload, bool retain) {
    if (!mosq_ || !connected_) return 0;
    int id = 0;
    const int rc = mosquitto_publish(mosq_, &id, topic.c_str(), static_cast<int>(payload.size()),
                                     payload.data(), 1, retain);
    follow();
    return rc == MOSQ_ERR_SUCCESS ? id : 0;
}

void MosquittoClient::disconnect() {
    if (mosq_ && connected_) {
        // A goodbye, so the broker keeps the will to itself.
        ++generation_;
        mosquitto_disconnect(mosq_);
        mosquitto_loop_write(mosq_, 1);
    }
    release();
}

void MosquittoClient::follow() {
    if (!mosq_) return;
    const int s = mosquitto_socket(mosq_);
    if (s != socket_) {
        unwatch();
        if (s < 0) return;
        socket_ = s;
        reader_ = std::make_unique<QSocketNotifier>(s, QSocketNotifier::Read);
        writer_ = std::make_unique<QSocketNotifier>(s, QSocketNotifier::Write);
        QObject::connect(reader_.get(), &QSocketNotifier::activated, this, [this] {
            if (!mosq_) return;
            mosquitto_loop_read(mosq_, kPacketsPerTurn);
            follow();
        });
        QObject::connect(writer_.get(), &QSocketNotifier::activated, this, [this] {
            if (!mosq_) return;
            mosquitto_loop_write(mosq_, kPacketsPerTurn);
            follow();
        });
    }
    if (writer_) writer_->setEnabled(mosquitto_want_write(mosq_));
}

void MosquittoClient::unwatch() {
    // A notifier may be the one whose signal runs now: let it go later.
    for (auto* n : {reader_.release(), writer_.release()})
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    socket_ = -1;
}

void MosquittoClient::onConnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<MosquittoClient*>(self);
    if (rc != 0) {
        c->refused_ = true;
        c->connected_ = false;
        const std::string why = refusalText(rc);
        const long g = c->generation_;
        QTimer::singleShot(0, c, [c, g, why] {
            if (g == c->generation_ && c->events_.refused) c->events_.refused(why);
        });
        return;
    }
    c->connected_ = true;
    if (c->events_.connected) c->events_.connected();
}

void MosquittoClient::onDisconnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<MosquittoClient*>(self);
    c->connected_ = false;
    if (c->refused_) return;
    const std::string why =
        rc == MOSQ_ERR_SUCCESS ? std::string("the broker ended the connection.") : errorText(rc);
    const long g = c->generation_;
    // Its socket is closed already; leave libmosquitto before anything else.
    QTimer::singleShot(0, c, [c, g, why] {
        if (g != c->generation_) return;
        c->unwatch();
        c->misc_.stop();
        c->reportLost(why);
    });
}

void MosquittoClient::onPublish(mosquitto*, void* self, int mid) {
    auto* c = static_cast<MosquittoClient*>(self);
    if (c->events_.delivered) c->events_.delivered(mid);
}

} // namespace tz
