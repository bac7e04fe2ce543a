#pragma once
// A real Mosquitto broker for one test on 127.0.0.1 and a free port, and a
// subscriber that records what arrives. The broker can be stopped and
// started again on the same port; with `persistent` it keeps retained
// messages and the subscriber's session over the restart, as a plant's
// broker does. Qt test programs only; skip when mosquitto is not
// installed.
#include "scratch.h"

#include <QProcess>

#include <mosquitto.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tz::fake {

inline constexpr const char* kMosquittoPath = "/usr/sbin/mosquitto";

inline int freeTcpPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

inline bool portAccepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

class BrokerProcess {
  public:
    struct Options {
        bool persistent = false;
        std::string user, password; // a login is required when set
    };

    BrokerProcess() : BrokerProcess(Options{}) {}
    explicit BrokerProcess(Options options) : options_(std::move(options)), port_(freeTcpPort()) {
        std::ofstream conf(dir_.file("mosquitto.conf"));
        conf << "listener " << port_ << " 127.0.0.1\n";
        if (options_.persistent)
            conf << "persistence true\npersistence_location " << dir_.path().string() << "/\n";
        else
            conf << "persistence false\n";
        if (options_.user.empty()) {
            conf << "allow_anonymous true\n";
        } else {
            QProcess::execute("mosquitto_passwd",
                              {"-c", "-b", QString::fromStdString(dir_.file("pw")),
                               QString::fromStdString(options_.user),
                               QString::fromStdString(options_.password)});
            conf << "allow_anonymous false\npassword_file " << dir_.file("pw") << "\n";
        }
    }
    ~BrokerProcess() { stop(); }
    BrokerProcess(const BrokerProcess&) = delete;
    BrokerProcess& operator=(const BrokerProcess&) = delete;

    static bool installed() { return std::filesystem::exists(kMosquittoPath); }

    // Starts it and waits until it accepts connections.
    bool start() {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(kMosquittoPath, {"-c", QString::fromStdString(dir_.file("mosquitto.conf"))});
        if (!process_.waitForStarted(5000)) return false;
        for (int i = 0; i < 200; ++i) {
            if (portAccepts(port_)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }
    // SIGTERM: a persistent broker saves its state first.
    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    int port() const { return port_; }
    std::string url(const std::string& topic, const std::string& user = "") const {
        return "mqtt://" + (user.empty() ? "" : user + "@") + "127.0.0.1:" + std::to_string(port_) +
               "/" + topic;
    }
    std::string log() { return process_.readAll().toStdString(); }

  private:
    Options options_;
    test::TempDir dir_{"tz-broker"};
    int port_;
    QProcess process_;
};

// A subscriber on its own libmosquitto thread. With a fixed `clientId` its
// session outlives a lost connection (QoS 1 messages published meanwhile
// wait for it at a persistent broker); it reconnects every second.
class Subscriber {
  public:
    struct Message {
        std::string topic, payload;
        bool retained;
    };

    Subscriber(int port, const std::string& filter, const std::string& clientId = "",
               const std::string& user = "", const std::string& password = "")
        : filter_(filter) {
        mosquitto_lib_init();
        mosq_ =
            mosquitto_new(clientId.empty() ? nullptr : clientId.c_str(), clientId.empty(), this);
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void* self, int rc) {
            auto* s = static_cast<Subscriber*>(self);
            if (rc == 0) mosquitto_subscribe(m, nullptr, s->filter_.c_str(), 1);
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            auto* s = static_cast<Subscriber*>(self);
            std::lock_guard lock(s->mutex_);
            s->subscribed_ = true;
            s->changed_.notify_all();
        });
        mosquitto_message_callback_set(
            mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
                auto* s = static_cast<Subscriber*>(self);
                std::lock_guard lock(s->mutex_);
                s->messages_.push_back({m->topic,
                                        std::string(static_cast<const char*>(m->payload),
                                                    static_cast<std::size_t>(m->payloadlen)),
                                        m->retain});
                s->changed_.notify_all();
            });
        if (!user.empty()) mosquitto_username_pw_set(mosq_, user.c_str(), password.c_str());
        mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
        mosquitto_connect_async(mosq_, "127.0.0.1", port, 5);
        mosquitto_loop_start(mosq_);
    }
    ~Subscriber() {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, true);
        mosquitto_destroy(mosq_);
    }
    Subscriber(const Subscriber&) = delete;
    Subscriber& operator=(const Subscriber&) = delete;

    bool waitSubscribed(int ms = 5000) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return subscribed_; });
    }
    // Waits until `done` holds for what arrived, or `ms` have passed.
    template <class Pred> bool waitFor(Pred done, int ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [&] { return done(messages_); });
    }
    std::vector<Message> messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    // Payloads on exactly `topic`, in the order they arrived.
    std::vector<std::string> on(const std::string& topic) {
        std::vector<std::string> out;
        for (const Message& m : messages())
            if (m.topic == topic) out.push_back(m.payload);
        return out;
    }

  private:
    std::string filter_;
    mosquitto* mosq_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool subscribed_ = false;
    std::vector<Message> messages_;
};

} // namespace tz::fake
