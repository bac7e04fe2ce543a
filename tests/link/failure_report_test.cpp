#include "link/failure_report.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tz {
namespace {

struct Case {
    FailureCode code;
    const char* text;
};

TEST(FailureReport, PortAndFileKindsGetTheirFixedMessages) {
    for (const Case& c : {Case{FailureCode::InvalidPortNumber, "232Port No. is bad"},
                          Case{FailureCode::DeviceNotOpen, "232Port cannot open"},
                          Case{FailureCode::InvalidPropertyValue, "232Port bad setting"},
                          Case{FailureCode::FileNotFound, "File cannot open"}}) {
        const Report r = reportFor(Failure(c.code, "underlying detail"));
        EXPECT_EQ(r.text, c.text);
        EXPECT_EQ(r.title, "TIDEWELL-Z");
    }
}

TEST(FailureReport, ADetailGoesOnASecondLineUnderTheFixedMessage) {
    const Report r = reportFor(Failure(FailureCode::FileNotFound, "File not found: /x/y.csv",
                                       "/x/y.csv: its folder does not exist"));
    EXPECT_EQ(r.text, "File cannot open\n/x/y.csv: its folder does not exist");
}

TEST(FailureReport, EveryOtherKindShowsItsOwnDescription) {
    for (FailureCode code : {FailureCode::InputPastEnd, FailureCode::NoDdeAnswer,
                             FailureCode::GridRowOutOfRange, FailureCode::Other}) {
        const Report r = reportFor(Failure(code, "Described " + std::to_string(int(code))));
        EXPECT_EQ(r.text, "Described " + std::to_string(int(code)));
        EXPECT_EQ(r.title, "TIDEWELL-Z");
    }
}

TEST(FailureReport, FailureSeenAsPlainExceptionKeepsItsKind) {
    const Failure f(FailureCode::DeviceNotOpen, "x");
    const std::exception& e = f;
    EXPECT_EQ(reportFor(e).text, "232Port cannot open");
    EXPECT_EQ(reportFor(std::runtime_error("Out of memory")).text, "Out of memory");
    EXPECT_EQ(reportFor(std::runtime_error("Out of memory")).title, "TIDEWELL-Z");
}

} // namespace
} // namespace tz
