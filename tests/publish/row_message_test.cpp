#include "publish/row_message.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tz {
namespace {

TEST(RowMessage, CarriesTheRowAsJson) {
    RunStart run{"COM3", "Flow \"net\"", "TIME", "Flow"};
    PolledRow row;
    row.seq = 7;
    row.wall = {1'796'714'713'250, 3600}; // 2026-12-08 07:25:13.250 UTC
    row.value = "+0012.345";
    row.number = 12.345;
    row.unit = "m3/h";
    EXPECT_EQ(rowMessage(run, row),
              "{\"seq\": 7, \"time\": \"2026-12-08T08:25:13.250+01:00\", \"port\": \"COM3\", "
              "\"parameter\": \"Flow \\\"net\\\"\", \"value\": 12.345, \"unit\": \"m3/h\", "
              "\"text\": \"+0012.345\"}");
    row.number.reset();
    row.value = "E-01";
    row.unit.clear();
    EXPECT_NE(rowMessage(run, row).find("\"value\": null, \"unit\": \"\", \"text\": \"E-01\""),
              std::string::npos);
}

TEST(RowMessage, EscapesAndRepairsText) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"a\\b\"c", "a\\\\b\\\"c"},
        {"\r\n\t\b\f", "\\r\\n\\t\\b\\f"},
        {std::string("\x01\x1f\x7f", 3), "\\u0001\\u001f\\u007f"},
        {std::string("nul\0x", 5), "nul\\u0000x"},
        {"m\xC2\xB3/h \xE2\x80\x94 \xF0\x9F\x8C\x8A", "m\xC2\xB3/h \xE2\x80\x94 \xF0\x9F\x8C\x8A"},
        {"\xB3", "\xEF\xBF\xBD"},                                 // a Latin-1 byte alone
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                 // overlong
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // surrogate
        {"\xE2\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},                 // cut short
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jsonEscaped(c.in), c.out) << c.in;
}

TEST(RowMessage, LocalTimeAndNumbers) {
    EXPECT_EQ(isoLocalTime({0, 0}), "1970-01-01T00:00:00.000+00:00");
    // Before midnight UTC, already the next day east of it, and the day
    // before west of it.
    EXPECT_EQ(isoLocalTime({1'796'774'399'999, 19800}), "2026-12-09T05:29:59.999+05:30");
    EXPECT_EQ(isoLocalTime({1'796'688'000'000, -12600}), "2026-12-07T20:30:00.000-03:30");
    EXPECT_EQ(isoLocalTime({951'782'400'000, 0}), "2000-02-29T00:00:00.000+00:00");
    EXPECT_EQ(isoLocalTime({-1, 0}), "1969-12-31T23:59:59.999+00:00");

    EXPECT_EQ(jsonNumber(12.345), "12.345");
    EXPECT_EQ(jsonNumber(-0.1), "-0.1");
    EXPECT_EQ(jsonNumber(1e21), "1e+21");
    EXPECT_EQ(jsonNumber(std::nan("")), "null");
    EXPECT_EQ(jsonNumber(-HUGE_VAL), "null");
}

} // namespace
} // namespace tz
