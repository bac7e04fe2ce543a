#include "app/command_line.h"

#include <gtest/gtest.h>

namespace tz {
namespace {

using Args = std::vector<std::string>;

std::vector<int> ticked(const std::array<bool, 21>& sets) {
    std::vector<int> out;
    for (int n = 1; n <= 20; ++n)
        if (sets[static_cast<std::size_t>(n)]) out.push_back(n);
    return out;
}

CommandLine parse(Args words) {
    words.insert(words.begin(), "tidewell-z");
    return parseCommandLine(words);
}

Args online(Args more) {
    Args words{"--online",   "--port",   "COM1",  "--parameter", "Flow",
               "--interval", "00:00:02", "--csv", "a.csv"};
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

TEST(CommandLine, SetsPortsAndIntervalsInTheirWrittenForms) {
    std::array<bool, 21> sets{};
    ASSERT_TRUE(parseSets("1,3,5-7", sets));
    EXPECT_EQ(ticked(sets), (std::vector<int>{1, 3, 5, 6, 7}));
    ASSERT_TRUE(parseSets("20,1-2,2", sets));
    EXPECT_EQ(ticked(sets), (std::vector<int>{1, 2, 20}));
    for (const char* bad : {"", "0", "21", "5-3", "1,,2", "a", "1-", "-3", "1;2", "001", " 1"})
        EXPECT_FALSE(parseSets(bad, sets)) << '"' << bad << '"';

    EXPECT_EQ(parsePort("COM1"), 1);
    EXPECT_EQ(parsePort("com9"), 9);
    EXPECT_EQ(parsePort("3"), 3);
    for (const char* bad : {"COM0", "COM10", "COM", "/dev/ttyS0", ""})
        EXPECT_EQ(parsePort(bad), 0) << bad;

    EXPECT_EQ(intervalDigits("00:00:02"), "000002");
    EXPECT_EQ(intervalDigits("09:00:00"), "090000");
    for (const char* bad : {"2", "0:0:2", "00:00:2", "00-00-02", "aa:bb:cc", "00:00:020"})
        EXPECT_EQ(intervalDigits(bad), "") << bad;
}

TEST(CommandLine, ARunTakesEveryOptionOfItsMode) {
    CommandLine c =
        parse({"--online", "--port", "COM2", "--parameter", "Flow rate", "--interval=00:01:00",
               "--count", "5", "--csv", "/tmp/a.csv", "--stop-on-fault", "--iso-time=ms", "--quiet",
               "--publish", "mqtt://meter7@broker.plant:1884/plant/meters/7",
               "--publish-password-file", "/etc/tidewell-z/mqtt.pw"});
    ASSERT_EQ(c.kind, CommandLine::Kind::Run) << c.text;
    const HeadlessRequest& r = c.request;
    EXPECT_EQ(r.mode, HeadlessRequest::Mode::Online);
    EXPECT_EQ(r.port, 2);
    EXPECT_EQ(r.devicePath, "");
    EXPECT_EQ(r.parameter, "Flow rate");
    EXPECT_EQ(r.intervalDigits, "000100");
    EXPECT_EQ(r.count, 5);
    EXPECT_EQ(r.csv, "/tmp/a.csv");
    EXPECT_TRUE(r.stopOnFault);
    EXPECT_EQ(r.timeForm, HeadlessRequest::TimeForm::IsoMilliseconds);
    EXPECT_TRUE(r.quiet);
    ASSERT_TRUE(r.publish);
    EXPECT_EQ(r.publish->user, "meter7");
    EXPECT_EQ(r.publish->host, "broker.plant");
    EXPECT_EQ(r.publish->port, 1884);
    EXPECT_EQ(r.publish->topic, "plant/meters/7");
    EXPECT_EQ(r.publishPasswordFile, "/etc/tidewell-z/mqtt.pw");

    // Without them, an on-line run is as it always was.
    c = parse(online({}));
    ASSERT_EQ(c.kind, CommandLine::Kind::Run) << c.text;
    EXPECT_FALSE(c.request.stopOnFault || c.request.quiet || c.request.publish);
    EXPECT_EQ(c.request.timeForm, HeadlessRequest::TimeForm::LongTime);
    EXPECT_EQ(parse(online({"--iso-time"})).request.timeForm,
              HeadlessRequest::TimeForm::IsoSeconds);

    c = parse({"--logger=2-4", "--port", "COM1", "--csv", "b.csv", "--quiet"});
    ASSERT_EQ(c.kind, CommandLine::Kind::Run) << c.text;
    EXPECT_EQ(c.request.mode, HeadlessRequest::Mode::Logger);
    EXPECT_EQ(ticked(c.request.sets), (std::vector<int>{2, 3, 4}));
    EXPECT_TRUE(c.request.quiet);

#ifndef _WIN32
    c = parse({"--logger", "1", "--port", "/dev/serial/by-id/usb-FTDI-if00", "--csv", "b.csv"});
    ASSERT_EQ(c.kind, CommandLine::Kind::Run) << c.text;
    EXPECT_EQ(c.request.devicePath, "/dev/serial/by-id/usb-FTDI-if00");
#endif
}

TEST(CommandLine, WindowsHelpAndVersionNeedNoTransfer) {
    EXPECT_EQ(parse({}).kind, CommandLine::Kind::Windows);
    // Qt's own options, in the forms Qt takes them.
    EXPECT_EQ(parse({"-platform", "offscreen", "--style=fusion", "-reverse"}).kind,
              CommandLine::Kind::Windows);
    for (const Args& words : {Args{"--help"}, Args{"-h"}, Args{"--online", "--help"}}) {
        const CommandLine c = parse(words);
        EXPECT_EQ(c.kind, CommandLine::Kind::Help);
#ifdef _WIN32
        // Windows has no device paths; its ports are the ones Device Manager lists.
        const char* ports = "Device Manager";
#else
        const char* ports = "/dev/ttyUSB0";
#endif
        for (const char* option : {"--stop-on-fault", "--iso-time[=ms]", "--publish mqtt://",
                                   "--publish-password-file", "--quiet", ports})
            EXPECT_NE(c.text.find(option), std::string::npos) << option;
    }
    const CommandLine v = parse({"-v"});
    EXPECT_EQ(v.kind, CommandLine::Kind::Version);
    EXPECT_EQ(v.text.rfind("tidewell-z ", 0), 0u) << v.text;
}

// Every refusal names its reason and shows the usage; the exit status is 2.
TEST(CommandLine, BadArgumentsAreRefusedWithTheirReason) {
    const struct {
        Args words;
        const char* reason;
    } cases[] = {
        {{"--no-such-option"}, "Unknown option 'no-such-option'."},
        {{"-online"}, "Unknown option 'online'."},
        {{"extra"}, "unexpected argument \"extra\""},
        {{"--port", "COM1"}, "--port is for --online or --logger"},
        {{"--quiet"}, "--quiet is for --online or --logger"},
        {{"--stop-on-fault"}, "--stop-on-fault is for --online"},
        {{"--online", "--logger", "1", "--port", "COM1", "--csv", "c"}, "give either"},
        {{"--online", "--port", "COM1"}, "--csv FILE is missing"},
        {{"--logger", "1", "--port", "COM1"}, "--csv FILE is missing"},
        {{"--logger", "1", "--csv", "c"}, "--port is missing"},
        {{"--logger", "1", "--port", "COM10", "--csv", "c"}, "--port must be COM1 to COM9"},
        {{"--logger", "1,25", "--port", "COM1", "--csv", "c"}, "SETS must be numbers"},
        {{"--logger", "1", "--port", "COM1", "--csv", "c", "--count", "3"}, "--count is for"},
        {{"--logger", "1", "--port", "COM1", "--csv", "c", "--iso-time"}, "--iso-time is for"},
        {{"--logger", "1", "--port", "COM1", "--csv", "c", "-platform", "xcb"}, "for the windows"},
        {{"--logger", "1", "--port", "COM1", "--csv"}, "Missing value after '--csv'."},
        {online({"--count", "0"}), "--count must be a whole number above 0"},
        {online({"--count", "99999999999999999999"}), "--count must be a whole number"},
        {online({"--quiet=yes"}), "--quiet takes no value."},
        {online({"--iso-time=us"}), "--iso-time takes =s or =ms"},
        {online({"--publish-password-file", "pw"}), "--publish-password-file needs --publish"},
        {online({"--publish", "mqtts://h/t"}), "only mqtt:// is supported, not mqtts://"},
        {online({"--publish", "http://h/t"}), "only mqtt:// is supported"},
        {online({"--publish", "h/t"}), "mqtt://[USER@]HOST[:PORT]/TOPIC"},
        {online({"--publish", "mqtt://u:secret@h/t"}), "no password in the address"},
        {online({"--publish", "mqtt://h"}), "the topic after the host is missing"},
        {online({"--publish", "mqtt://h/"}), "the topic after the host is missing"},
        {online({"--publish", "mqtt:///t"}), "the broker's host is missing"},
        {online({"--publish", "mqtt://h:0/t"}), "the port must be 1 to 65535"},
        {online({"--publish", "mqtt://h:65536/t"}), "the port must be 1 to 65535"},
        {online({"--publish", "mqtt://h:/t"}), "the port must be 1 to 65535"},
        {online({"--publish", "mqtt://h/a/#"}), "no + or #"},
        {online({"--publish", "mqtt://[::1/t"}), "IPv6"},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = parse(c.words);
        std::string line;
        for (const std::string& w : c.words)
            line += w + ' ';
        EXPECT_EQ(parsed.kind, CommandLine::Kind::Error) << line;
        EXPECT_NE(parsed.text.find(c.reason), std::string::npos) << line << "\n" << parsed.text;
        EXPECT_NE(parsed.text.find("Usage: tidewell-z"), std::string::npos) << line;
    }
}

TEST(CommandLine, BrokerAddressesInEveryAllowedForm) {
    const struct {
        const char* url;
        const char* user;
        const char* host;
        int port;
        const char* topic;
    } cases[] = {
        {"mqtt://localhost/meters/COM1", "", "localhost", 1883, "meters/COM1"},
        {"MQTT://10.0.0.5:1884/m", "", "10.0.0.5", 1884, "m"},
        {"mqtt://ops@[fe80::1]:8883/a/b", "ops", "fe80::1", 8883, "a/b"},
        {"mqtt://[::1]/t", "", "::1", 1883, "t"},
        {"mqtt://a@b@host/t", "a@b", "host", 1883, "t"},
    };
    for (const auto& c : cases) {
        std::string why;
        const auto address = parseBrokerUrl(c.url, why);
        ASSERT_TRUE(address) << c.url << ": " << why;
        EXPECT_EQ(address->user, c.user) << c.url;
        EXPECT_EQ(address->host, c.host) << c.url;
        EXPECT_EQ(address->port, c.port) << c.url;
        EXPECT_EQ(address->topic, c.topic) << c.url;
    }
}

} // namespace
} // namespace tz
