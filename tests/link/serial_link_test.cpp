#include "link/serial_link.h"

#include "fake_host.h"
#include "fake_serial.h"
#include "platform/failure.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tz {
namespace {

using Calls = std::vector<std::string>;

// Virtual seconds are large numbers; a tenth of a millisecond is far below
// any wait the exchange makes and far above rounding.
constexpr double kTick = 1e-4;

// Counts how often the exchange looks at and takes from the line.
class CountingSerial : public fake::FakeSerial {
  public:
    using FakeSerial::FakeSerial;
    int countChecks = 0, reads = 0;
    int inBufferCount() override {
        ++countChecks;
        return FakeSerial::inBufferCount();
    }
    std::string input() override {
        ++reads;
        return FakeSerial::input();
    }
};

class SerialLink : public ::testing::Test {
  protected:
    void open() { openPort(serial, 1, "9600,N,8,1", WindowKind::Online); }
    ExchangeResult ask(const std::string& command = "DQ01") {
        start = host.now();
        return exchange(serial, host, stop, command);
    }
    double elapsed() const { return host.now() - start; }

    StopFlag stop;
    fake::FakeHost host;
    CountingSerial serial{host};
    double start = 0;
};

TEST_F(SerialLink, OnlineWindowOpensInItsOrder) {
    openPort(serial, 3, "9600,N,8,1", WindowKind::Online);
    EXPECT_EQ(serial.calls, (Calls{"CommPort", "Settings", "ParityReplace", "InBufferSize",
                                   "InputLen", "PortOpen=true"}));
    EXPECT_EQ(serial.commPort, 3);
    EXPECT_EQ(serial.settings, "9600,N,8,1");
    EXPECT_EQ(serial.parityReplace, "");
    EXPECT_FALSE(serial.nullDiscard);
    EXPECT_EQ(serial.inBufferSize(), 8192);
    EXPECT_EQ(serial.inputLen, 0);
    EXPECT_TRUE(serial.portOpen());
}

TEST_F(SerialLink, LoggerWindowDropsNulsAndOpensBeforeSettingInputLen) {
    openPort(serial, 9, "9600,N,8,1", WindowKind::Logger);
    EXPECT_EQ(serial.calls, (Calls{"CommPort", "Settings", "ParityReplace", "NullDiscard",
                                   "InBufferSize", "PortOpen=true", "InputLen"}));
    EXPECT_EQ(serial.commPort, 9);
    EXPECT_TRUE(serial.nullDiscard);
    EXPECT_EQ(serial.inputLen, 0);
    EXPECT_TRUE(serial.portOpen());
}

TEST_F(SerialLink, TheControlsRefusalStopsTheOpeningWithItsFailure) {
    serial.settingsFailure = Failure(FailureCode::InvalidPropertyValue, "Invalid property value");
    try {
        openPort(serial, 5, "9600,Q,8,1", WindowKind::Online);
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::InvalidPropertyValue);
    }
    EXPECT_EQ(serial.calls, (Calls{"CommPort", "Settings"}));
    EXPECT_FALSE(serial.portOpen());

    // No selected port is port number zero, which the control refuses.
    serial.settingsFailure.reset();
    serial.openFailure = Failure(FailureCode::InvalidPortNumber, "Invalid port number");
    EXPECT_THROW(openPort(serial, 0, "9600,N,8,1", WindowKind::Logger), Failure);
    EXPECT_EQ(serial.commPort, 0);
    EXPECT_FALSE(serial.portOpen());
}

TEST_F(SerialLink, CommandIsFramedWithOneCr) {
    EXPECT_EQ(frameCommand("DI+"), "DI+\r");
    EXPECT_EQ(frameCommand(""), "\r");
    open();
    sendCommand(serial, "LF03");
    ASSERT_EQ(serial.sent.size(), 1u);
    EXPECT_EQ(serial.sent[0].text, "LF03\r");
}

TEST_F(SerialLink, ReplyEndingInCrEndsTheExchangeAtOnce) {
    open();
    serial.arriveIn(0.05, "  123.45\r");
    const ExchangeResult r = ask("DV");
    EXPECT_EQ(r.reply, "  123.45\r");
    ASSERT_EQ(serial.sent.size(), 1u);
    EXPECT_EQ(serial.sent[0].text, "DV\r");
    EXPECT_EQ(host.sleeps, 1);
    EXPECT_NEAR(elapsed(), 0.1, kTick);
}

TEST_F(SerialLink, ExchangeSetsInputLenBeforeSending) {
    open();
    serial.calls.clear();
    serial.inputLen.reset();
    serial.onOutput = [&](const std::string&) { EXPECT_EQ(serial.inputLen, 0); };
    serial.arriveIn(0.05, "1\r");
    ask();
    EXPECT_EQ(serial.calls, (Calls{"InputLen"}));
}

TEST_F(SerialLink, LoggerQueryFormReadsOnPastItsCrUntilTheLineFallsSilent) {
    open();
    serial.calls.clear();
    serial.arriveIn(0.05, "No.03\r");
    serial.arriveIn(0.25, "more");
    start = host.now();
    const ExchangeResult r = exchange(serial, host, stop, "LF03", ReplyEnd::AtSilence);
    EXPECT_EQ(r.reply, "No.03\rmore");
    EXPECT_TRUE(serial.calls.empty()); // the read length was set at the opening
    // "more" is read at 0.3 s; eleven sleeps of silence follow.
    EXPECT_NEAR(elapsed(), 1.4, kTick);
}

TEST_F(SerialLink, SilenceOfElevenSleepsEndsTheExchangeToTheTick) {
    open();
    const ExchangeResult r = ask();
    EXPECT_EQ(r.reply, "");
    EXPECT_EQ(host.sleeps, 12); // the first wait and eleven of silence
    EXPECT_EQ(host.sleptMs, 1200);
    EXPECT_NEAR(elapsed(), 1.2, kTick);
    EXPECT_EQ(serial.countChecks, 12);

    // The last empty check still takes what has arrived; what comes after
    // the limit is not waited for.
    serial.arriveIn(1.19, "7\r");
    EXPECT_EQ(ask().reply, "7\r");
    serial.arriveIn(1.21, "7\r");
    EXPECT_EQ(ask().reply, "");
    EXPECT_EQ(serial.buffered(), "");
}

TEST_F(SerialLink, ReplyInPiecesIsJoinedUntilThePieceEndingInCr) {
    open();
    serial.arriveIn(0.05, "12");
    serial.arriveIn(0.35, ".3");
    serial.arriveIn(0.62, "45\r");
    serial.arriveIn(0.9, "NEXT\r");
    const ExchangeResult r = ask();
    EXPECT_EQ(r.reply, "12.345\r");
    EXPECT_NEAR(elapsed(), 0.7, kTick);
    EXPECT_EQ(serial.reads, 3);
}

TEST_F(SerialLink, TextAfterTheCrKeepsTheExchangeWaiting) {
    open();
    serial.arriveIn(0.05, "1.0\rXY");
    EXPECT_EQ(ask().reply, "1.0\rXY");
    EXPECT_NEAR(elapsed(), 1.2, kTick); // ended by silence, not by the CR

    serial.arriveIn(0.05, "2.0\rX");
    serial.arriveIn(0.45, "Z\r");
    EXPECT_EQ(ask().reply, "2.0\rXZ\r");
    EXPECT_NEAR(elapsed(), 0.5, kTick);
}

TEST_F(SerialLink, SlowlyTricklingReplyKeepsTheExchangeAlive) {
    open();
    // A character every second: each one restarts the silence count.
    for (int k = 1; k <= 5; ++k)
        serial.arriveIn(k * 1.0 + 0.05, std::string(1, char('a' + k - 1)));
    const ExchangeResult r = ask();
    EXPECT_EQ(r.reply, "abcde"); // never ended by a CR, returned as received
    EXPECT_NEAR(elapsed(), 5.1 + 1.1, kTick);
}

TEST_F(SerialLink, EndlessReplyKeepsOnlyItsHeadAndLastCharacterUntilItsCr) {
    open();
    // 4 MB without a CR, never silent for long, then the CR.
    serial.arriveIn(0.05, "+12.3456789 m3");
    for (int k = 1; k <= 400; ++k)
        serial.arriveIn(0.05 + k * 0.1, std::string(10000, 'x'));
    serial.arriveIn(40.2, "\xC3\xA9\r");
    const ExchangeResult r = ask();
    EXPECT_LE(r.reply.size(), kReplyKeep);
    EXPECT_EQ(r.reply.substr(0, 14), "+12.3456789 m3");
    EXPECT_EQ(r.reply.back(), '\r');
    EXPECT_NEAR(elapsed(), 40.3, kTick);

    std::string reply;
    appendBounded(reply, "a\xC3\xA9" + std::string(kReplyKeep, 'b'));
    appendBounded(reply, "\xC3\xA9");
    EXPECT_EQ(reply.substr(0, 3), "a\xC3\xA9");
    EXPECT_EQ(reply.substr(reply.size() - 3), "b\xC3\xA9"); // whole characters only
}

// A line that never falls silent: "Stop Xfer" must still be heard.
class FloodingSerial : public fake::FakeSerial {
  public:
    using FakeSerial::FakeSerial;
    std::function<void()> onRead;
    int reads = 0;
    int inBufferCount() override { return portOpen() ? 1000 : 0; }
    std::string input() override {
        if (++reads > 100000) throw std::runtime_error("the window was never let run");
        if (reads == 1000 && onRead) onRead();
        return std::string(1000, '7');
    }
};

TEST_F(SerialLink, StopXferIsHeardWhileAReplyFloodsIn) {
    FloodingSerial flood(host);
    openPort(flood, 1, "9600,N,8,1", WindowKind::Online);
    flood.onRead = [&] {
        host.after(0, [&] {
            stop.request();
            closePort(flood);
        });
    };
    EXPECT_THROW(exchange(flood, host, stop, "DQ01"), TransferStopped);
    EXPECT_LT(flood.reads, 1010);
}

TEST_F(SerialLink, StopWhileWaitingEndsTheExchangeInThePumpThatRanIt) {
    open();
    serial.arriveIn(0.8, "5\r");
    // The click is handled by the pump at 0.4 s, ahead of that wait's sleep.
    host.after(0.35, [&] {
        stop.request();
        closePort(serial); // what "Stop Xfer" does
    });
    EXPECT_THROW(ask(), TransferStopped);
    EXPECT_NEAR(elapsed(), 0.4, kTick);
    EXPECT_EQ(serial.reads, 0);
    EXPECT_EQ(serial.countChecks, 4); // the closed port is not asked again
    EXPECT_FALSE(serial.portOpen());
}

TEST_F(SerialLink, StopIsHeardBeforeThePortIsReadAgain) {
    open();
    serial.arriveIn(0.05, "1");
    serial.arriveIn(0.5, "2\r");
    host.after(0.08, [&] { stop.request(); });
    EXPECT_THROW(ask(), TransferStopped);
    EXPECT_EQ(serial.reads, 0);
    EXPECT_NEAR(elapsed(), 0.1, kTick);
}

// A line whose count says characters wait that Input never gives.
class PromisingSerial : public fake::FakeSerial {
  public:
    using FakeSerial::FakeSerial;
    int inBufferCount() override { return FakeSerial::inBufferCount() + 1; }
    std::string input() override {
        if (++reads > 1000) throw std::runtime_error("read again and again without waiting");
        return FakeSerial::input();
    }
    int reads = 0;
};

TEST_F(SerialLink, CountWithoutCharactersIsSilenceNotASpin) {
    PromisingSerial line(host);
    openPort(line, 1, "9600,N,8,1", WindowKind::Online);
    start = host.now();
    EXPECT_EQ(exchange(line, host, stop, "DV").reply, "");
    EXPECT_NEAR(elapsed(), 1.2, kTick);
}

TEST_F(SerialLink, HangUpDuringTheExchangeReachesTheCaller) {
    open();
    serial.hangUpAt(host.now() + 0.25);
    EXPECT_THROW(ask(), Failure);
}

TEST_F(SerialLink, ClosingNeverThrowsAndClosingIfOpenLeavesAClosedPortAlone) {
    open();
    closePortIfOpen(serial);
    EXPECT_FALSE(serial.portOpen());
    serial.calls.clear();
    closePortIfOpen(serial);
    EXPECT_TRUE(serial.calls.empty());
    closePort(serial);
    EXPECT_EQ(serial.calls, (Calls{"PortOpen=false"}));
    EXPECT_EQ(serial.closes, 1);
}

} // namespace
} // namespace tz
