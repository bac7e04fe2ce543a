#include "publish/broker_sink.h"

#include "publish/row_message.h"

#include <algorithm>

namespace tz {

namespace {

constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";
constexpr int kEndPauseMs = 10;

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::string brokerLocation(const BrokerAddress& a) {
    const bool v6 = a.host.find(':') != std::string::npos;
    return "mqtt://" + (v6 ? "[" + a.host + "]" : a.host) + ":" + std::to_string(a.port) + "/" +
           a.topic;
}

BrokerSink::BrokerSink(Host& host, BrokerClient& client, Timer& retryTimer, BrokerTarget target,
                       Report report)
    : host_(host), client_(client), retryTimer_(retryTimer), target_(std::move(target)),
      report_(std::move(report)), queue_(target_.queueCapacity) {
    BrokerClient::Events events;
    events.connected = [this] { onConnected(); };
    events.refused = [this](const std::string& why) { onLost(why, true); };
    events.lost = [this](const std::string& why) { onLost(why, false); };
    events.delivered = [this](int id) { onDelivered(id); };
    client_.setEvents(std::move(events));
    retryTimer_.setCallback([this] { connect(); });
}

BrokerSink::BrokerSink(Host& host, std::unique_ptr<BrokerClient> client,
                       std::unique_ptr<Timer> retryTimer, BrokerTarget target, Report report)
    : BrokerSink(host, *client, *retryTimer, std::move(target), std::move(report)) {
    ownedClient_ = std::move(client);
    ownedTimer_ = std::move(retryTimer);
}

BrokerSink::~BrokerSink() {
    retryTimer_.stop();
    retryTimer_.setCallback({});
    client_.setEvents({});
    if (state_ != State::Idle) client_.disconnect();
}

BrokerSession BrokerSink::session() const {
    BrokerSession s;
    s.host = target_.url.host;
    s.port = target_.url.port;
    s.user = target_.url.user;
    s.password = target_.url.user.empty() ? std::string() : target_.password;
    // One topic per meter, so the topic names the client too: a restarted
    // program takes its place at once instead of waiting for the keep-alive.
    s.clientId = "tidewell-z/" + target_.url.topic;
    s.willTopic = statusTopic();
    s.willPayload = kOffline;
    return s;
}

std::string BrokerSink::where() const {
    return target_.url.host + ":" + std::to_string(target_.url.port);
}

double BrokerSink::now() {
    return static_cast<double>(host_.today()) * 86400.0 + host_.secondsSinceMidnight();
}

void BrokerSink::begin(const RunStart& run) {
    run_ = run;
    queue_ = MessageQueue(target_.queueCapacity);
    backoff_.reset();
    everConnected_ = lossReported_ = refusalReported_ = overflowReported_ = ending_ = false;
    droppedReported_ = 0;
    offlineId_ = 0;
    offlineDelivered_ = false;
    connect();
}

void BrokerSink::connect() {
    retryTimer_.stop();
    state_ = State::Connecting;
    client_.connect(session());
}

void BrokerSink::onConnected() {
    state_ = State::Connected;
    backoff_.reset();
    if (lossReported_ || refusalReported_)
        report_("Broker " + where() + " reached again; " +
                plural(queue_.size(), "queued message", "queued messages") + " to send.");
    lossReported_ = refusalReported_ = false;
    everConnected_ = true;
    client_.publish(statusTopic(), kOnline, true);
    if (queue_.dropped() > droppedReported_) {
        report_(plural(queue_.dropped() - droppedReported_, "message was", "messages were") +
                " dropped from the full broker queue (the oldest first).");
        droppedReported_ = queue_.dropped();
        overflowReported_ = false;
    }
    sendQueued();
}

void BrokerSink::onLost(const std::string& why, bool refused) {
    if (state_ == State::Idle) return;
    queue_.resendUnacknowledged();
    state_ = State::Waiting;
    if (refused) {
        if (!refusalReported_)
            report_("Broker " + where() + " refused the login: " + why +
                    " The rows still go to the CSV document.");
        refusalReported_ = true;
    } else if (!lossReported_ && !refusalReported_) {
        report_((everConnected_ ? "Broker " + where() + " lost: "
                                : "Broker " + where() + " not reached: ") +
                why + " Rows wait in the queue and are sent when it answers.");
    }
    lossReported_ = true;
    // The run's end retries every second while its time lasts.
    const double pause = ending_ ? ReconnectBackoff::kFirst : backoff_.next();
    retryTimer_.startIn(pause);
}

void BrokerSink::onDelivered(int id) {
    if (offlineId_ != 0 && id == offlineId_) {
        offlineDelivered_ = true;
        return;
    }
    queue_.acknowledge(id);
    sendQueued();
}

void BrokerSink::sendQueued() {
    while (state_ == State::Connected && queue_.inFlight() < kInFlight) {
        const std::string* next = queue_.nextUnsent();
        if (!next) return;
        const int id = client_.publish(target_.url.topic, *next, true);
        if (id <= 0) return; // the connection is going; its loss is on the way
        queue_.markSent(id);
    }
}

void BrokerSink::write(const PolledRow& row) {
    if (queue_.push(rowMessage(run_, row)) > 0 && !overflowReported_) {
        report_("The broker queue is full (" + std::to_string(target_.queueCapacity) +
                " messages): the oldest are dropped until the broker answers.");
        overflowReported_ = true;
    }
    sendQueued();
}

void BrokerSink::end(RunEnd) {
    if (state_ == State::Idle) return;
    ending_ = true;
    // The wall clock may jump (a daylight-saving change, a correction): the
    // wait counts the time between its own steps, each at most a second.
    double elapsed = 0, last = now();
    const auto step = [&] {
        host_.pumpEvents();
        host_.sleepMs(kEndPauseMs);
        const double t = now();
        elapsed += std::clamp(t - last, 0.0, 1.0);
        last = t;
    };
    if (!queue_.empty() && state_ == State::Waiting) connect();
    while (!queue_.empty() && elapsed < target_.flushSeconds)
        step();
    if (state_ == State::Connected) {
        offlineId_ = client_.publish(statusTopic(), kOffline, true);
        while (offlineId_ > 0 && !offlineDelivered_ && state_ == State::Connected &&
               elapsed < target_.flushSeconds + 1.0)
            step();
    }
    retryTimer_.stop();
    client_.disconnect();
    state_ = State::Idle;
    if (queue_.dropped() > droppedReported_)
        report_(plural(queue_.dropped() - droppedReported_, "message was", "messages were") +
                " dropped from the full broker queue (the oldest first).");
    if (!queue_.empty())
        report_(plural(queue_.size(), "message", "messages") + " could not be sent to broker " +
                where() + " within " + std::to_string(static_cast<int>(target_.flushSeconds)) +
                " s; the CSV document has every row.");
}

} // namespace tz
