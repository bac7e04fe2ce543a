#include "headless/command_line.h"

#include <gtest/gtest.h>

namespace tz {
namespace {

std::vector<int> ticked(const std::array<bool, 21>& sets) {
    std::vector<int> out;
    for (int n = 1; n <= 20; ++n)
        if (sets[static_cast<std::size_t>(n)]) out.push_back(n);
    return out;
}

TEST(HeadlessArguments, SetsPortsAndIntervalsInTheirWrittenForms) {
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

TEST(HeadlessArguments, ARunTakesEveryOptionAndRefusesWhatDoesNotFitItsMode) {
    HeadlessRequest r;
    ParseResult p =
        parseHeadless({"tidewell-z", "--online", "--port", "COM2", "--parameter", "Flow rate",
                       "--interval", "00:01:00", "--count", "5", "--csv", "/tmp/a.csv"},
                      r);
    ASSERT_EQ(p.kind, ParseResult::Kind::Run) << p.text;
    EXPECT_EQ(r.mode, HeadlessRequest::Mode::Online);
    EXPECT_EQ(r.port, 2);
    EXPECT_EQ(r.parameter, "Flow rate");
    EXPECT_EQ(r.intervalDigits, "000100");
    EXPECT_EQ(r.count, 5);
    EXPECT_EQ(r.csv, "/tmp/a.csv");

    p = parseHeadless({"tidewell-z", "--logger=2-4", "--port", "COM1", "--csv", "b.csv"}, r);
    ASSERT_EQ(p.kind, ParseResult::Kind::Run) << p.text;
    EXPECT_EQ(r.mode, HeadlessRequest::Mode::Logger);
    EXPECT_EQ(ticked(r.sets), (std::vector<int>{2, 3, 4}));

    for (const QStringList& bad :
         {QStringList{"tidewell-z", "--online", "--logger", "1", "--port", "COM1", "--csv", "c"},
          QStringList{"tidewell-z", "--online", "--port", "COM1", "--parameter", "F", "--interval",
                      "00:00:02", "--count", "0", "--csv", "c"},
          QStringList{"tidewell-z", "--logger", "1", "--port", "COM1"},
          QStringList{"tidewell-z", "--logger", "1", "--port", "COM1", "--csv", "c", "extra"}}) {
        const ParseResult e = parseHeadless(bad, r);
        EXPECT_EQ(e.kind, ParseResult::Kind::Error) << bad.join(' ').toStdString();
        EXPECT_NE(e.text.find("--help"), std::string::npos);
    }
    EXPECT_EQ(parseHeadless({"tidewell-z", "--online", "--help"}, r).kind, ParseResult::Kind::Help);

    const char* args[] = {"tidewell-z", "--port", "COM1", "--logger", "1"};
    EXPECT_TRUE(wantsHeadless(5, const_cast<char**>(args)));
    EXPECT_FALSE(wantsHeadless(3, const_cast<char**>(args)));
}

} // namespace
} // namespace tz
