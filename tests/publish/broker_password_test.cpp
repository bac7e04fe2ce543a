#include "publish/broker_password.h"

#include "scratch.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tz {
namespace {

void setVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value); // "" removes it
#else
    if (*value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

TEST(BrokerPassword, TheFileFirstThenTheEnvironment) {
    test::TempDir dir("tz-pw");
    test::writeFile(dir.file("pw"), "s3cret pass\r\nsecond line\n");
    setVariable(kPasswordVariable, "from-env");
    std::string pw, why;
    ASSERT_TRUE(brokerPassword(dir.file("pw"), pw, why));
    EXPECT_EQ(pw, "s3cret pass");
    ASSERT_TRUE(brokerPassword("", pw, why));
    EXPECT_EQ(pw, "from-env");
    EXPECT_FALSE(brokerPassword(dir.file("missing"), pw, why));
    EXPECT_EQ(why, "The broker password file " + dir.file("missing") + " cannot be read.");
    setVariable(kPasswordVariable, "");
}

} // namespace
} // namespace tz
