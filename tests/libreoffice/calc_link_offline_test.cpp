// The link's behaviour while no office answers; needs the UNO runtime but
// no running LibreOffice.
#include "backends/libreoffice/calc_link.h"

#include "backends/libreoffice/process.h"
#include "platform/failure.h"
#include "probes.h"
#include "test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tz::calc {
namespace {

using test::codeOf;
using test::ScopedEnv;
using test::TempDir;

std::string uniquePipe() {
    return "tz_nobody_" + std::to_string(::getpid());
}

class SilentOffice : public ::testing::Test {
  protected:
    SilentOffice() { test::writeScript(script_, "echo \"$@\" >> '" + log_ + "'"); }
    // Calls of the stand-in soffice, once it has had time to run.
    std::vector<std::string> calls(std::size_t expected) {
        test::waitFor([&] { return test::readLines(log_).size() >= expected; }, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // catch extra ones
        return test::readLines(log_);
    }

    TempDir dir_;
    std::string log_ = dir_.file("calls");
    std::string script_ = dir_.file("soffice");
    ScopedEnv program_{"TZ_SOFFICE", script_};
    ScopedEnv args_{"TZ_SOFFICE_ARGS", "--headless"};
};

TEST_F(SilentOffice, NoOfficeOnThePipeIsNoAnswer) {
    CalcLink link({uniquePipe(), false});
    EXPECT_EQ(codeOf([&] { link.open(dir_.file("Tidewell.ods")); }), FailureCode::NoDdeAnswer);
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(calls(0).empty());
}

TEST_F(SilentOffice, OfficeIsAskedToAcceptOncePerSeriesOfAttempts) {
    const auto pipe = uniquePipe();
    CalcLink link({pipe, true, 0.0});
    const std::string doc = dir_.file("Tidewell.ods");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(codeOf([&] { link.open(doc); }), FailureCode::NoDdeAnswer);
    const std::string ask =
        "--headless --accept=pipe,name=" + pipe + ";urp;StarOffice.ComponentContext";
    EXPECT_THAT(calls(1), ::testing::ElementsAre(ask));

    link.close(); // the next start
    EXPECT_EQ(codeOf([&] { link.open(doc); }), FailureCode::NoDdeAnswer);
    EXPECT_EQ(codeOf([&] { link.open(doc); }), FailureCode::NoDdeAnswer);
    EXPECT_THAT(calls(2), ::testing::ElementsAre(ask, ask));
}

TEST_F(SilentOffice, AskingWaitsUntilTheLaunchedOfficeHadItsChance) {
    CalcLink link({uniquePipe(), true, 0.6});
    const std::string doc = dir_.file("Tidewell.ods");
    EXPECT_EQ(codeOf([&] { link.open(doc); }), FailureCode::NoDdeAnswer);
    EXPECT_EQ(codeOf([&] { link.open(doc); }), FailureCode::NoDdeAnswer);
    EXPECT_TRUE(calls(0).empty()) << "asked at once";
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(codeOf([&] { link.open(doc); }), FailureCode::NoDdeAnswer);
    EXPECT_EQ(calls(1).size(), 1u);
}

TEST_F(SilentOffice, CellWriteWithoutLinkIsAClearFailure) {
    CalcLink link({uniquePipe(), false});
    try {
        link.writeCell(1, 1, "x");
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::Other);
        EXPECT_THAT(f.description(), ::testing::HasSubstr("no link"));
    }
}

TEST_F(SilentOffice, LinkWithoutDocumentIsNotRetried) {
    CalcLink link({uniquePipe(), false});
    EXPECT_EQ(codeOf([&] { link.open(""); }), FailureCode::Other);
}

TEST_F(SilentOffice, CloseNeverFails) {
    CalcLink link({uniquePipe(), false});
    EXPECT_NO_THROW(link.close());
    EXPECT_FALSE(link.isOpen());
}

TEST(PipeName, EnvironmentNamesThePipe) {
    ScopedEnv pipe("TZ_UNO_PIPE", "tz_from_env");
    EXPECT_EQ(CalcLink::defaultPipeName(), "tz_from_env");
    ScopedEnv none("TZ_UNO_PIPE", std::nullopt);
    EXPECT_FALSE(CalcLink::defaultPipeName().empty());
}

} // namespace
} // namespace tz::calc
