// The on-line transfer against the instrument model on the virtual clock:
// real replies, paced and faulty ones, end to end into the CSV document.
#include "online_rig.h"

#include "app/text.h"
#include "instrument.h"

#include <gtest/gtest.h>

#include <regex>

namespace tz {
namespace {

using test::OnlineRig;

class OnlineWithInstrument : public ::testing::Test {
  protected:
    void serve(sim::Config config = {}) {
        model = std::make_unique<sim::Instrument>(config);
        rig.serial.onOutput = [this](const std::string& sent) {
            double t = rig.host.now();
            for (const auto& p : model->feed(text::toLatin1(sent))) {
                t += p.delay;
                rig.serial.arriveAt(t, text::fromLatin1(p.bytes));
                if (p.hangUp) rig.serial.hangUpAt(t + 1e-6);
            }
        };
    }

    // The CSV document split into its lines; fails when a line end is
    // anything but CR LF.
    std::vector<std::string> csvLines() {
        const std::string all = rig.csv();
        std::vector<std::string> lines;
        std::size_t at = 0;
        while (at < all.size()) {
            const std::size_t end = all.find("\r\n", at);
            EXPECT_NE(end, std::string::npos) << "last line without CR LF";
            if (end == std::string::npos) break;
            lines.push_back(all.substr(at, end - at));
            at = end + 2;
        }
        for (const auto& l : lines)
            EXPECT_EQ(l.find_first_of("\r\n"), std::string::npos) << "line break inside a row";
        return lines;
    }

    OnlineRig rig;
    std::unique_ptr<sim::Instrument> model;
};

TEST_F(OnlineWithInstrument, QueryValuesAreTheFirstNineCharacters) {
    serve();
    rig.start();
    rig.runTo(2.3 * 4 + 1.0);
    const auto lines = csvLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "TIME,Flow");
    const std::regex row(R"(\d\d:\d\d:\d\d,[+-]\d{4}\.\d{3})");
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], row)) << lines[i];
    EXPECT_NE(lines[1], lines[2]);
    EXPECT_TRUE(rig.host.messages.empty());
}

TEST_F(OnlineWithInstrument, TotalsAreReadAtCharactersEightToFourteen) {
    serve();
    rig.view.params.assign(14, "p");
    rig.view.params[13] = "+Total";
    rig.view.paramIndex = 13;
    rig.start();
    rig.runTo(2.3 * 3 + 1.0);
    const auto lines = csvLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "TIME, +Total");
    long last = -1;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string value = lines[i].substr(lines[i].find(',') + 1);
        ASSERT_TRUE(std::regex_match(value, std::regex(R"(\+\d{6})"))) << value;
        const long total = std::stol(value.substr(1));
        EXPECT_GT(total, last);
        last = total;
    }
}

TEST_F(OnlineWithInstrument, TricklingRepliesAreJoined) {
    sim::Config c;
    c.fault = sim::Fault::Trickle;
    serve(c);
    rig.start();
    rig.runTo(12.0);
    const auto lines = csvLines();
    ASSERT_GE(lines.size(), 3u);
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(R"(\d\d:\d\d:\d\d,[+-]\d{4}\.\d{3})")))
            << lines[i];
    EXPECT_TRUE(rig.host.messages.empty());
}

TEST_F(OnlineWithInstrument, ReplyWithoutCarriageReturnIsTakenAfterTheSilence) {
    sim::Config c;
    c.fault = sim::Fault::NoCr;
    serve(c);
    rig.start();
    rig.runTo(1.5);
    const auto lines = csvLines();
    ASSERT_EQ(lines.size(), 2u);
    // The reply ends only after eleven silent waits: about 1.25 s.
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(08:00:00,[+-]\d{4}\.\d{3})"))) << lines[1];
    EXPECT_TRUE(rig.host.messages.empty());
}

TEST_F(OnlineWithInstrument, GarbageNeverBreaksARowApart) {
    sim::Config c;
    c.fault = sim::Fault::Garbage;
    serve(c);
    rig.start();
    rig.runTo(30.0);
    const auto lines = csvLines();
    EXPECT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "TIME,Flow");
}

} // namespace
} // namespace tz
