#include "app/console_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace tz {
namespace {

// What the transfers print, as a console in code page 850 or 437 can show
// it: the marks in ASCII, the letters of the names untouched.
TEST(ConsoleText, TypographicMarksBecomeAsciiAndLettersStay) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"3 rows \u2192 C:\\Data\\Durchflu\u00DF.csv", "3 rows -> C:\\Data\\Durchflu\u00DF.csv"},
        {"Set 1 of 3 \u2014 No.02, 4 of 148", "Set 1 of 3 - No.02, 4 of 148"},
        {"Stopped \u2013 \u201Cwait\u201D\u2026", "Stopped - \"wait\"..."},
        {"plain ASCII, unchanged", "plain ASCII, unchanged"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plainMarks(c.in), c.out);
}

#ifdef _WIN32
// Redirected to a file, as Task Scheduler or "2> log.txt" does: no UTF-8
// bytes a console code page would garble, CR LF line ends.
TEST(ConsoleText, RedirectedOutputIsInACodePageWithCrLf) {
    const std::string path = testing::TempDir() + "tz-console-text.log";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    writeConsoleLine(f, "2 rows \u2192 C:\\Durchflu\u00DF.csv\nnext");
    std::fclose(f);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.substr(0, 18), "2 rows -> C:\\Durch");
    EXPECT_EQ(bytes.find('\xC3'), std::string::npos) << bytes;
    EXPECT_TRUE(bytes.ends_with(".csv\r\nnext\r\n")) << bytes;
    std::remove(path.c_str());
}
#endif

} // namespace
} // namespace tz
