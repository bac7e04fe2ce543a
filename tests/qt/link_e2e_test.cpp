// The serial link end to end: the real simulator on a pseudo-terminal, the
// Qt serial control and host, and the link's opening steps and exchange.
#include "app/text.h"
#include "app/title.h"
#include "backends/qt/qt_host.h"
#include "backends/qt/qt_serial_control.h"
#include "instrument.h"
#include "link/failure_report.h"
#include "link/serial_link.h"
#include "platform/failure.h"
#include "platform/host.h"

#include "sim_process.h"

#include "qt_rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tz {
namespace {

namespace fs = std::filesystem;

using fake::kSimPath;
using fake::Simulator;
using fake::Workspace;

using qt_test::matches;

class LinkEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!*kSimPath) GTEST_SKIP() << "built without the simulator";
        ASSERT_FALSE(home.root().empty());
        host.setMessageBoxHook(
            [this](const std::string& text, const std::string&) { messages.push_back(text); });
    }

    std::unique_ptr<Simulator> start(QStringList args = {}) {
        auto sim = std::make_unique<Simulator>(home, QStringList{"--port", "1"} + args);
        EXPECT_TRUE(matches(sim->banner(), R"(tidewell-sim: COM1 -> /dev/pts/\d+)"))
            << sim->banner();
        EXPECT_EQ(fs::read_symlink(home.link(1)).string(), sim->device());
        return sim;
    }

    // The message the operator would see for a failed opening.
    std::optional<Report> openingReport(QtSerialControl& port, int portIndex) {
        try {
            openPort(port, portIndex + 1, settings, WindowKind::Online);
        } catch (const Failure& f) {
            return reportFor(f);
        }
        return std::nullopt;
    }

    // The simulator leaves with its line and takes its link along.
    void expectGoneWithItsLink(Simulator& sim) {
        EXPECT_TRUE(sim.waitForExit(3000));
        EXPECT_EQ(sim.exitCode(), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(home.link(1))));
    }

    Workspace home{"tz-sim-e2e"};
    std::string settings = "9600,N,8,1";
    StopFlag stop;
    QtHost host;
    std::vector<std::string> messages;
};

TEST_F(LinkEndToEnd, EveryFixedCommandAndADqCommandGetTheInstrumentsReply) {
    auto sim = start();
    sim::Instrument expected; // the simulator's model with the same settings
    QtSerialControl port;
    openPort(port, 1, settings, WindowKind::Online);
    ASSERT_TRUE(port.portOpen());

    std::string previous;
    for (const char* command : {"DQ01", "DQ01", "DV", "DI+", "DI-", "DAO", "DAI", "DC", "DT"}) {
        SCOPED_TRACE(command);
        const ExchangeResult r = exchange(port, host, stop, command);
        // Byte for byte what the instrument sent, the degree sign included.
        const auto pieces = expected.feed(std::string(command) + "\r");
        ASSERT_EQ(pieces.size(), 1u);
        EXPECT_EQ(r.reply, text::fromLatin1(pieces[0].bytes));
        // And the value sits where the poll cycle slices it.
        const bool total = command[1] == 'I';
        EXPECT_TRUE(total ? matches(text::slice(r.reply, 7, 7), R"([+-]\d{6})")
                          : matches(text::slice(r.reply, 0, 9), R"([+-]\d{4}\.\d{3})"))
            << r.reply;
        EXPECT_NE(r.reply, previous);
        previous = r.reply;
        port.clearInBuffer();
    }
    closePort(port);
    EXPECT_FALSE(port.portOpen());
    EXPECT_TRUE(messages.empty());
}

TEST_F(LinkEndToEnd, ThePortOpensAgainForTheNextTransfer) {
    auto sim = start();
    for (int transfer = 0; transfer < 2; ++transfer) {
        QtSerialControl port;
        openPort(port, 1, settings, WindowKind::Logger);
        sendCommand(port, "LF03");
        std::string reply;
        for (int i = 0; i < 30 && reply.find('\r') == std::string::npos; ++i) {
            host.sleepMs(20);
            host.pumpEvents();
            if (port.inBufferCount() > 0) reply += port.input();
        }
        EXPECT_EQ(reply, "No.03 DATA   10 REC\r") << "transfer " << transfer;
        closePort(port);
    }
    EXPECT_TRUE(sim->running());
}

// A silent instrument gives an empty reply; a trickled one is joined whole.
TEST_F(LinkEndToEnd, SilentAndTricklingInstrumentsGiveWhatTheySent) {
    for (const auto& [fault, name] :
         {std::pair{sim::Fault::Silent, "silent"}, std::pair{sim::Fault::Trickle, "trickle"}}) {
        SCOPED_TRACE(name);
        auto sim = start({"--fault", name});
        sim::Config config;
        config.fault = fault;
        sim::Instrument expected(config);
        std::string sent;
        for (const auto& piece : expected.feed("DQ02\r"))
            sent += piece.bytes;
        QtSerialControl port;
        openPort(port, 1, settings, WindowKind::Online);
        const ExchangeResult r = exchange(port, host, stop, "DQ02");
        EXPECT_EQ(r.reply, text::fromLatin1(sent));
        closePort(port);
    }
}

// NUL, CR and 8-bit bytes in the middle of a reply reach the logic as
// their Latin-1 characters; the exchange stops at a CR that happens to end
// a read, so what it returns is a prefix of the bytes sent.
TEST_F(LinkEndToEnd, GarbageBytesPassUnchanged) {
    auto sim = start({"--fault", "garbage", "--seed", "7"});
    sim::Config config;
    config.fault = sim::Fault::Garbage;
    config.seed = 7;
    sim::Instrument expected(config);
    QtSerialControl port;
    openPort(port, 1, settings, WindowKind::Online);
    const std::string sent = text::fromLatin1(expected.feed("DAO\r").at(0).bytes);
    const std::string got = exchange(port, host, stop, "DAO").reply;
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(sent.compare(0, got.size(), got), 0);
    if (got == sent) {
        EXPECT_NE(got.find('\0'), std::string::npos);
    } else {
        EXPECT_EQ(got.back(), '\r');
    }
    closePort(port);
}

TEST_F(LinkEndToEnd, AHangUpInTheMiddleOfAReplyFailsTheExchange) {
    auto sim = start({"--hangup-after", "20"});
    QtSerialControl port;
    openPort(port, 1, settings, WindowKind::Online);
    EXPECT_EQ(text::charCount(exchange(port, host, stop, "DQ01").reply), 15u);
    port.clearInBuffer();
    try {
        exchange(port, host, stop, "DQ01");
        ADD_FAILURE() << "the exchange went on after the line dropped";
    } catch (const Failure& f) {
        EXPECT_FALSE(reportFor(f).text.empty());
        EXPECT_EQ(reportFor(f).title, kAppTitle);
    }
    EXPECT_FALSE(port.portOpen());
    closePort(port);
    expectGoneWithItsLink(*sim);
}

TEST_F(LinkEndToEnd, TheSimulatorRemovesItsLinkWhenStopped) {
    auto sim = start();
    ASSERT_TRUE(fs::is_symlink(home.link(1)));
    sim->stop();
    EXPECT_TRUE(sim->exitedNormally());
    expectGoneWithItsLink(*sim);
}

TEST_F(LinkEndToEnd, WithOnceTheSimulatorLeavesWhenTheHostCloses) {
    auto sim = start({"--once"});
    {
        QtSerialControl port;
        openPort(port, 1, settings, WindowKind::Online);
        EXPECT_FALSE(exchange(port, host, stop, "DC").reply.empty());
        closePort(port);
    }
    expectGoneWithItsLink(*sim);
}

// --- port failures, as the operator reads them ---

TEST_F(LinkEndToEnd, AMissingPortOrALinkLeftByAKilledSimulatorIsABadPortNumber) {
    auto sim = start();
    sim->killHard();
    ASSERT_TRUE(fs::is_symlink(home.link(1))); // nobody removed it
    std::vector<int> ports = {0};
    // Nothing is published as COM9, so it falls back to the ninth UART.
    if (!fs::exists("/dev/ttyS8")) ports.push_back(8);
    for (int index : ports) {
        SCOPED_TRACE(index);
        QtSerialControl port;
        const auto report = openingReport(port, index);
        ASSERT_TRUE(report);
        // The second line names what is missing.
        EXPECT_EQ(report->text,
                  index == 0 ? "232Port No. is bad\n" + home.link(1).string() + " is a link to " +
                                   fs::read_symlink(home.link(1)).string() +
                                   ", which points nowhere (adapter unplugged, simulator ended?)"
                             : std::string("232Port No. is bad\n/dev/ttyS8: no such device"));
        EXPECT_EQ(report->title, "TIDEWELL-Z");
        EXPECT_FALSE(port.portOpen());
    }
}

TEST_F(LinkEndToEnd, AMalformedSettingsStringIsABadSetting) {
    auto sim = start();
    for (const char* bad : {"9600,X,8,1", "fast,N,8,1", ""}) {
        settings = bad;
        QtSerialControl port;
        const auto report = openingReport(port, 0);
        ASSERT_TRUE(report) << bad;
        EXPECT_EQ(report->text, "232Port bad setting") << bad;
        EXPECT_EQ(report->title, "TIDEWELL-Z");
        EXPECT_FALSE(port.portOpen());
    }
}

TEST_F(LinkEndToEnd, APortHeldByAnotherProgramCannotOpen) {
    auto sim = start();
    QtSerialControl first, second;
    openPort(first, 1, settings, WindowKind::Online);
    const auto report = openingReport(second, 0);
    ASSERT_TRUE(report);
    // Busy, not forbidden: no advice about groups.
    EXPECT_EQ(report->text, "232Port cannot open\n" + home.link(1).string() + " (" +
                                fs::canonical(home.link(1)).string() +
                                "): in use by another program");
    EXPECT_TRUE(first.portOpen());
    closePort(first);
}

} // namespace
} // namespace tz
