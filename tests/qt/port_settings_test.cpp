#include "backends/qt/port_settings.h"

#include "platform/failure.h"

#include <gtest/gtest.h>

#include <string>

namespace tz {
namespace {

// The refusal of `text`: a bad setting that names the string refused.
void expectRefused(const std::string& text) {
    SCOPED_TRACE('"' + text + '"');
    try {
        parsePortSettings(text);
        ADD_FAILURE() << "accepted";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::InvalidPropertyValue);
        EXPECT_NE(f.description().find(text), std::string::npos) << f.description();
    }
}

TEST(PortSettings, UsualStringGivesEveryField) {
    EXPECT_EQ(parsePortSettings("9600,N,8,1"),
              (PortSettings{9600, Parity::None, 8, StopBits::One}));
    EXPECT_EQ(parsePortSettings("19200,E,7,2"),
              (PortSettings{19200, Parity::Even, 7, StopBits::Two}));
    EXPECT_EQ(parsePortSettings("110,O,5,1.5"),
              (PortSettings{110, Parity::Odd, 5, StopBits::OneAndHalf}));
}

TEST(PortSettings, ParityLetterIsReadInEitherCase) {
    for (const auto& [letter, parity] :
         {std::pair{"n", Parity::None}, std::pair{"e", Parity::Even}, std::pair{"o", Parity::Odd},
          std::pair{"m", Parity::Mark}, std::pair{"S", Parity::Space},
          std::pair{"s", Parity::Space}})
        EXPECT_EQ(parsePortSettings(std::string("4800,") + letter + ",8,1").parity, parity)
            << letter;
}

TEST(PortSettings, EveryStandardRateAndDataWidthIsAccepted) {
    for (int rate : kStandardBaudRates)
        EXPECT_EQ(parsePortSettings(std::to_string(rate) + ",N,8,1").baud, rate) << rate;
    for (int bits = 4; bits <= 8; ++bits)
        EXPECT_EQ(parsePortSettings("9600,N," + std::to_string(bits) + ",1").dataBits, bits);
    EXPECT_EQ(parsePortSettings("009600,N,8,1").baud, 9600);
}

TEST(PortSettings, MalformedStringsAreInvalidPropertyValuesNamingTheString) {
    const char* refused[] = {
        "",                           // nothing at all
        "9600",                       // fields missing
        "9600,N,8",                   //
        "9600,N,8,1,0",               // an extra field
        "9600,N,8,1,",                //
        ",N,8,1",                     // blank baud
        "9600,,8,1",                  // blank parity
        "9600,N,,1",                  // blank data bits
        "9600,N,8,",                  // blank stop bits
        " 9600,N,8,1",                // blanks around fields
        "9600, N,8,1",                //
        "9600,N,8,1 ",                //
        "abc,N,8,1",                  // non-numeric baud
        "96OO,N,8,1",                 //
        "-9600,N,8,1",                // signed baud
        "+9600,N,8,1",                //
        "9600.0,N,8,1",               //
        "0,N,8,1",                    // zero
        "9601,N,8,1",                 // not a rate the control offers
        "99999999999999999999,N,8,1", // too long to be a rate
        "9600,X,8,1",                 // unknown parity letter
        "9600,NO,8,1",                //
        "9600,N,3,1",                 // data bits out of range
        "9600,N,9,1",                 //
        "9600,N,08,1",                //
        "9600,N,8,0",                 // stop bits other than 1, 1.5, 2
        "9600,N,8,3",                 //
        "9600,N,8,1.0",               //
        "9600,N,8,1,5",               // a comma for the decimal point
        "9600;N;8;1",                 // wrong separator
    };
    for (const char* text : refused)
        expectRefused(text);
}

} // namespace
} // namespace tz
