#pragma once
// A serial control on the fake host's virtual clock. A test (or a scripted
// instrument) queues characters to arrive at virtual times; every Output is
// logged with its time.
#include "app/text.h"
#include "fake_host.h"
#include "platform/failure.h"
#include "platform/serial_control.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tz::fake {

class FakeSerial : public SerialControl {
  public:
    struct Sent {
        std::string text;
        double at;
    };

    explicit FakeSerial(FakeHost& host) : host_(host) {}

    // --- what the logic set ---
    int commPort = 0;
    std::string settings;
    std::optional<std::string> parityReplace;
    bool nullDiscard = false;
    int bufferSize = 1024;
    std::optional<int> inputLen;
    std::vector<Sent> sent;
    std::vector<std::string> calls; // the order of configuration and open/close calls
    int opens = 0, closes = 0, clears = 0;

    // --- failure injection ---
    std::optional<Failure> openFailure;     // thrown by PortOpen = true
    std::optional<Failure> settingsFailure; // thrown by Settings
    // Called after every Output with the text sent (CR included).
    std::function<void(const std::string&)> onOutput;

    // Characters (UTF-8 text, one character per byte on the line) that
    // arrive at absolute virtual time `at`.
    void arriveAt(double at, const std::string& chars) {
        auto it = pending_.begin();
        while (it != pending_.end() && it->at <= at)
            ++it;
        pending_.insert(it, Piece{at, chars});
    }
    void arriveIn(double seconds, const std::string& chars) {
        arriveAt(host_.now() + seconds, chars);
    }
    // The line hangs up at virtual time `at`: bytes that arrived before are
    // still delivered, then the port is closed and the next use fails once.
    void hangUpAt(double at) { hangUpAt_ = at; }
    std::string buffered() const { return buffer_; }

    // --- SerialControl ---
    void setCommPort(int port) override {
        calls.push_back("CommPort");
        commPort = port;
    }
    void setSettings(const std::string& s) override {
        calls.push_back("Settings");
        if (settingsFailure) throw *settingsFailure;
        settings = s;
    }
    void setParityReplace(const std::string& t) override {
        calls.push_back("ParityReplace");
        parityReplace = t;
    }
    void setNullDiscard(bool on) override {
        calls.push_back("NullDiscard");
        nullDiscard = on;
    }
    void setInBufferSize(int bytes) override {
        calls.push_back("InBufferSize");
        bufferSize = bytes;
    }
    int inBufferSize() const override { return bufferSize; }
    void setInputLen(int chars) override {
        calls.push_back("InputLen");
        inputLen = chars;
    }
    void setPortOpen(bool open) override {
        calls.push_back(open ? "PortOpen=true" : "PortOpen=false");
        if (open) {
            if (open_) throw Failure(FailureCode::Other, "Port already open");
            if (openFailure) throw *openFailure;
            open_ = true;
            lost_ = false;
            ++opens;
        } else {
            if (open_) ++closes;
            open_ = false;
            lost_ = false;
            buffer_.clear();
        }
    }
    bool portOpen() const override { return open_; }

    void output(const std::string& text) override {
        checkLine();
        if (!open_) throw Failure(FailureCode::DeviceNotOpen, "Port is not open");
        sent.push_back({text, host_.now()});
        if (onOutput) onOutput(text);
    }
    std::string input() override {
        checkLine();
        if (!open_) throw Failure(FailureCode::DeviceNotOpen, "Port is not open");
        deliver();
        std::string out;
        out.swap(buffer_);
        return out;
    }
    int inBufferCount() override {
        checkLine();
        if (!open_) return 0;
        deliver();
        return static_cast<int>(text::charCount(buffer_));
    }
    void clearInBuffer() override {
        ++clears;
        if (!open_) return;
        deliver();
        buffer_.clear();
    }

  private:
    struct Piece {
        double at;
        std::string chars;
    };
    void deliver() {
        while (!pending_.empty() && pending_.front().at <= host_.now()) {
            std::string chars = pending_.front().chars;
            pending_.pop_front();
            if (nullDiscard) std::erase(chars, '\0');
            buffer_ += chars;
        }
    }
    void checkLine() {
        if (open_ && hangUpAt_ && host_.now() >= *hangUpAt_) {
            deliverBefore(*hangUpAt_);
            if (buffer_.empty()) {
                open_ = false;
                lost_ = true;
                hangUpAt_.reset();
            }
        }
        if (lost_) {
            lost_ = false;
            throw Failure(FailureCode::Other, "The serial line hung up");
        }
    }
    void deliverBefore(double t) {
        while (!pending_.empty() && pending_.front().at <= t) {
            buffer_ += pending_.front().chars;
            pending_.pop_front();
        }
    }

    FakeHost& host_;
    std::deque<Piece> pending_;
    std::string buffer_;
    bool open_ = false;
    bool lost_ = false;
    std::optional<double> hangUpAt_;
};

} // namespace tz::fake
