#include "publish/broker_password.h"

#include "scratch.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tz {
namespace {

TEST(BrokerPassword, TheFileFirstThenTheEnvironment) {
    test::TempDir dir("tz-pw");
    test::writeFile(dir.file("pw"), "s3cret pass\r\nsecond line\n");
    setenv(kPasswordVariable, "from-env", 1);
    std::string pw, why;
    ASSERT_TRUE(brokerPassword(dir.file("pw"), pw, why));
    EXPECT_EQ(pw, "s3cret pass");
    ASSERT_TRUE(brokerPassword("", pw, why));
    EXPECT_EQ(pw, "from-env");
    EXPECT_FALSE(brokerPassword(dir.file("missing"), pw, why));
    EXPECT_EQ(why, "The broker password file " + dir.file("missing") + " cannot be read.");
    unsetenv(kPasswordVariable);
}

} // namespace
} // namespace tz
