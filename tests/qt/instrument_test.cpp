// The instrument model: replies where the host's slicing rules take them,
// the logger download's structure, the fault modes and the command line.
#include "app/text.h"
#include "fake_host.h"
#include "fake_serial.h"
#include "instrument.h"
#include "instrument_options.h"

#include "qt_rig.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tz::sim {
namespace {

using namespace std::string_literals;

std::string joined(const std::vector<Piece>& pieces) {
    std::string all;
    for (const auto& p : pieces)
        all += p.bytes;
    return all;
}

std::string ask(Instrument& model, const std::string& command) {
    return joined(model.feed(command + "\r"));
}

// Lines of a download as the host reads them: Latin-1 converted, split at
// each CR. A text that ends in CR gives no empty line after it.
std::vector<std::string> lines(const std::string& bytes) {
    std::vector<std::string> out;
    std::string line;
    for (char c : text::fromLatin1(bytes)) {
        if (c == '\r') {
            out.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) out.push_back(line);
    return out;
}

using qt_test::matches;

Config faulty(Fault fault) {
    Config config;
    config.fault = fault;
    return config;
}

const char* const kValueCommands[] = {"DQ01", "DQ02", "DQ03", "DQ04", "DQ05", "DQ06",
                                      "DQ07", "DQ08", "DQ09", "DQ10", "DQ11", "DQ12",
                                      "DV",   "DAO",  "DAI",  "DC",   "DT"};

// --- on-line replies ---

TEST(OnlineReplies, ValueCommandsPutASignedNumberInTheFirstNineCharacters) {
    Instrument model;
    for (const char* command : kValueCommands) {
        const std::string reply = text::fromLatin1(ask(model, command));
        SCOPED_TRACE(command);
        ASSERT_FALSE(reply.empty());
        EXPECT_EQ(reply.back(), '\r');
        EXPECT_TRUE(matches(text::slice(reply, 0, 9), R"([+-]\d{4}\.\d{3})")) << reply;
        // A blank and a unit follow, so the slice never catches the CR.
        EXPECT_EQ(text::slice(reply, 9, 1), " ");
        EXPECT_GT(text::charCount(reply), 11u);
    }
}

TEST(OnlineReplies, TotalsSitAtCharactersEightToFourteen) {
    Instrument model;
    const std::string plus = ask(model, "DI+");
    const std::string minus = ask(model, "DI-");
    EXPECT_EQ(plus.substr(0, 7), "DI+    ");
    EXPECT_EQ(minus.substr(0, 7), "DI-    ");
    EXPECT_TRUE(matches(text::slice(plus, 7, 7), R"(\+\d{6})")) << plus;
    EXPECT_TRUE(matches(text::slice(minus, 7, 7), R"(-\d{6})")) << minus;
    EXPECT_EQ(plus.substr(14), " m3\r");
}

TEST(OnlineReplies, SuccessivePollsDifferAndTotalsGrow) {
    Instrument model;
    for (const char* command : kValueCommands) {
        std::string previous = ask(model, command);
        for (int i = 0; i < 30; ++i) {
            const std::string next = ask(model, command);
            EXPECT_NE(next, previous) << command << " poll " << i;
            previous = next;
        }
    }
    for (const char* command : {"DI+", "DI-"}) {
        long previous = std::stol(ask(model, command).substr(8, 6));
        for (int i = 0; i < 30; ++i) {
            const long next = std::stol(ask(model, command).substr(8, 6));
            EXPECT_GT(next, previous) << command;
            previous = next;
        }
    }
}

TEST(OnlineReplies, AReplyIsOnePieceOneReplyDelayAfterTheCommand) {
    Config config;
    config.replyDelay = 0.07;
    Instrument model(config);
    const auto pieces = model.feed("DV\r");
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_DOUBLE_EQ(pieces[0].delay, 0.07);
    EXPECT_FALSE(pieces[0].hangUp);
}

TEST(OnlineReplies, CommandsAreFramedByCrWhateverThePiecesTheyCameIn) {
    Instrument model;
    EXPECT_TRUE(model.feed("DQ0").empty());
    EXPECT_EQ(model.feed("1\r").size(), 1u);
    // Two commands in one write get two replies in order; LF and NUL
    // around a command are not part of it; a bare CR is no command.
    const auto pieces = model.feed("\nDI+\r\0DI-\r\r"s);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].bytes.substr(0, 3), "DI+");
    EXPECT_EQ(pieces[1].bytes.substr(0, 3), "DI-");
    EXPECT_EQ(model.commands(), 3u);
}

TEST(OnlineReplies, UnknownOverlongAndBadSetNumberCommandsGetErr) {
    Instrument model;
    // Set numbers are two digits from one to twenty.
    for (const char* bad : {"DQ13", "dv", "LF00", "LF21", "LF7", "LF007", "LFx1", "LD00", "LD99"})
        EXPECT_EQ(ask(model, bad), "ERR\r") << bad;
    EXPECT_EQ(ask(model, "LF20").substr(0, 5), "No.20");
    // Line noise without a CR must not pile up inside the instrument.
    for (int i = 0; i < 1000; ++i)
        model.feed(std::string(100, 'X'));
    EXPECT_EQ(ask(model, ""), "ERR\r");
    EXPECT_EQ(ask(model, "DV").size(), 14u);
}

TEST(OnlineReplies, TheSeedDecidesTheSequence) {
    Config a, b;
    b.seed = 99;
    Instrument one(a), same(a), other(b);
    std::string x, y, z;
    for (int i = 0; i < 10; ++i) {
        x += ask(one, "DQ01") + ask(one, "DI+");
        y += ask(same, "DQ01") + ask(same, "DI+");
        z += ask(other, "DQ01") + ask(other, "DI+");
    }
    EXPECT_EQ(x, y);
    EXPECT_NE(x, z);
}

// --- logger ---

TEST(LoggerQuery, ReplyBeginsAsTheHostJudgesTheSetStateAndUnlistedSetsFollowOtherSets) {
    Config config;
    config.records = 120;
    config.sets = {{2, SetState::Empty},
                   {3, SetState::Recording},
                   {4, SetState::Other},
                   {5, SetState::Silent}};
    Instrument model(config);
    EXPECT_EQ(ask(model, "LF07"), "No.07 DATA  120 REC\r");
    EXPECT_EQ(ask(model, "LF02").substr(0, 5), "EMPTY");
    EXPECT_EQ(ask(model, "LF03").substr(0, 4), "DATA");
    const std::string other = ask(model, "LF04");
    EXPECT_FALSE(other.empty());
    for (const char* prefix : {"No.", "EMPTY", "DATA"})
        EXPECT_NE(other.rfind(prefix, 0), 0u);
    EXPECT_TRUE(model.feed("LF05\r").empty());
    EXPECT_TRUE(model.feed("LD05\r").empty());

    // Sets left out of the list follow the state given for all others.
    config.otherSets = SetState::Silent;
    config.sets[12] = SetState::Data;
    Instrument quiet(config);
    EXPECT_TRUE(quiet.feed("LF07\r").empty());
    EXPECT_EQ(ask(quiet, "LF03").substr(0, 4), "DATA");
    EXPECT_EQ(ask(quiet, "LF12").substr(0, 5), "No.12");
}

TEST(LoggerDownload, HeaderEmptyLineThenRecordsEachEndedByAnEmptyLine) {
    for (int values : {1, 2, 4, 7, 12}) {
        Config config;
        config.records = 3;
        config.values = values;
        Instrument model(config);
        const std::string bytes = ask(model, "LD04");
        SCOPED_TRACE(values);
        // Nothing marks the end: the last record's empty line is the last.
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\r");

        const auto all = lines(bytes);
        std::size_t i = 0;
        while (i < all.size() && !all[i].empty())
            ++i;
        EXPECT_EQ(i, 5u) << "header lines";
        ASSERT_LT(i, all.size());
        ++i;
        int records = 0;
        while (i < all.size()) {
            int n = 0;
            while (i < all.size() && !all[i].empty())
                ++n, ++i;
            EXPECT_EQ(n, values);
            ASSERT_LT(i, all.size()) << "record without its empty line";
            ++i;
            ++records;
        }
        EXPECT_EQ(records, 3);
    }
}

TEST(LoggerDownload, RecordsAreDatedTenMinutesApart) {
    Config config;
    config.records = 8;
    const auto all = lines(loggerDownload(config, 1));
    EXPECT_EQ(all[6], "06/01/23 10:00");
    EXPECT_EQ(all[6 + 8], "06/01/23 10:10");
    EXPECT_EQ(lines(loggerDownload(config, 2))[6], "07/01/23 10:00");
    EXPECT_EQ(loggerRecord(config, 1, 6 * 14)[0], "07/01/23 00:00"); // past midnight
}

// Each value line must give the host a value and a unit by its conversion
// rules without running into a range that does not exist.
TEST(LoggerDownload, EveryLineSuitsOneUnitRule) {
    Config config;
    config.values = 12;
    int latin1 = 0, parenthesised = 0, plain = 0;
    for (int record = 0; record < 50; ++record) {
        const auto record_lines = loggerRecord(config, 9, record);
        ASSERT_EQ(record_lines.size(), 12u);
        EXPECT_TRUE(matches(record_lines[0], R"(\d\d/\d\d/\d\d \d\d:\d\d)")) << record_lines[0];
        for (std::size_t k = 1; k < record_lines.size(); ++k) {
            const std::string l = text::fromLatin1(record_lines[k]);
            SCOPED_TRACE(l);
            const auto chars = text::decode(l);
            ASSERT_GE(chars.size(), 11u);
            ASSERT_TRUE(chars[0] == '+' || chars[0] == '-' || chars[0] == ' ');
            if (chars.size() >= 12 && chars[11] >= 160) {
                ++latin1;
                EXPECT_TRUE(matches(text::slice(l, 0, 9), R"([+-]\d{4}\.\d{3})"));
                EXPECT_EQ(text::slice(l, 9), "  \u00B0C"); // the tail behind the last digit
            } else if (chars[1] >= '0' && chars[1] <= '9') {
                ++plain;
                EXPECT_TRUE(matches(text::slice(l, 0, 9), R"([+-]\d{4}\.\d{3}|[+-]\d{8})"));
                EXPECT_TRUE(matches(text::slice(l, 9), R"( [A-Za-z/%0-9]+)"));
            } else {
                ++parenthesised;
                ASSERT_GE(chars.size(), 14u);
                EXPECT_EQ(text::slice(l, 0, 7), " FLOW  ");
                EXPECT_TRUE(matches(text::slice(l, 7, 7), R"([+-]\d\d\.\d{3})"));
                EXPECT_EQ(text::slice(l, 14), " m/s");
            }
        }
    }
    EXPECT_EQ(latin1, 50);
    EXPECT_EQ(parenthesised, 50);
    EXPECT_EQ(plain, 50 * 9);
}

TEST(LoggerDownload, ASetIsTheSameTextEveryTimeAndPacedAtLineSpeed) {
    Config config;
    config.records = 20;
    config.bytesPerSecond = 1000;
    config.replyDelay = 0.05;
    config.downloadPiece = 64;
    Instrument model(config);
    const auto first = model.feed("LD03\r");
    const auto second = model.feed("LD03\r");
    EXPECT_EQ(joined(first), joined(second));
    EXPECT_EQ(joined(first), model.downloadText(3));
    EXPECT_NE(model.downloadText(3), model.downloadText(4));

    double total = 0;
    for (const auto& p : first) {
        EXPECT_LE(p.bytes.size(), 64u);
        EXPECT_GT(p.delay, 0);
        total += p.delay;
    }
    EXPECT_NEAR(total, 0.05 + static_cast<double>(joined(first).size()) / 1000, 1e-9);
}

TEST(LoggerDownload, SetsWithoutDataSendOnlyTheHeader) {
    Config config;
    config.sets = {{6, SetState::Empty}, {7, SetState::Recording}};
    for (int set : {6, 7}) {
        const auto all = lines(loggerDownload(config, set));
        ASSERT_EQ(all.size(), 6u);
        EXPECT_EQ(all[4], "RECORDS 0");
        EXPECT_EQ(all[5], "");
    }
}

// --- fault modes ---

TEST(Faults, SilentNeverAnswers) {
    Config config = faulty(Fault::Silent);
    Instrument model(config);
    for (const char* c : {"DQ01", "DI+", "LF01", "LD01", "XYZ"})
        EXPECT_TRUE(model.feed(c + "\r"s).empty());
    EXPECT_EQ(model.commands(), 5u);
}

TEST(Faults, TrickleKeepsEveryPauseUnderTheSilenceLimit) {
    Config config = faulty(Fault::Trickle);
    Instrument trickling(config);
    Instrument normal;
    for (const char* c : {"DQ01", "LF02", "LD02"}) {
        const auto pieces = trickling.feed(c + "\r"s);
        EXPECT_EQ(joined(pieces), ask(normal, c)) << c;
        ASSERT_GT(pieces.size(), 3u);
        for (std::size_t i = 1; i < pieces.size(); ++i) {
            EXPECT_LE(pieces[i].bytes.size(), config.tricklePiece);
            EXPECT_GT(pieces[i].delay, 0.1);
            EXPECT_LT(pieces[i].delay, 1.0);
        }
    }
}

TEST(Faults, NoCrDropsTheCrOfOnlineAndQueryRepliesOnly) {
    Config config = faulty(Fault::NoCr);
    Instrument model(config);
    Instrument normal;
    for (const char* c : {"DQ05", "DI-", "LF01"}) {
        const std::string expected = ask(normal, c);
        EXPECT_EQ(ask(model, c), expected.substr(0, expected.size() - 1)) << c;
    }
    EXPECT_EQ(ask(model, "LD01"), ask(normal, "LD01"));
}

TEST(Faults, GarbageHoldsNulAndEightBitBytes) {
    Config config = faulty(Fault::Garbage);
    Instrument model(config);
    for (const char* c : {"DV", "DI+", "LF01", "NONSENSE"}) {
        const std::string reply = ask(model, c);
        EXPECT_GE(reply.size(), 8u);
        EXPECT_NE(reply.find('\0'), std::string::npos) << c;
        EXPECT_TRUE(std::any_of(reply.begin(), reply.end(),
                                [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; }));
    }
    EXPECT_EQ(ask(model, "LD01").size(), Instrument().downloadText(1).size());
}

TEST(Faults, HangUpComesAfterExactlyTheGivenNumberOfBytesEvenInADownloadOrBeforeAnyByte) {
    Config config = faulty(Fault::HangUp);
    config.hangUpAfter = 20;
    Instrument model(config);
    const auto first = model.feed("DQ01\r"); // 15 bytes
    ASSERT_EQ(first.size(), 1u);
    EXPECT_FALSE(first[0].hangUp);
    const auto second = model.feed("DQ01\r");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].bytes.size(), 5u);
    EXPECT_TRUE(second[0].hangUp);
    EXPECT_TRUE(model.hungUp());
    EXPECT_TRUE(model.feed("DQ01\r").empty());
    EXPECT_EQ(model.bytesSent(), 20u);

    config.hangUpAfter = 300;
    Instrument cut(config);
    const auto pieces = cut.feed("LD01\r");
    EXPECT_EQ(joined(pieces), Instrument().downloadText(1).substr(0, 300));
    EXPECT_TRUE(pieces.back().hangUp);
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i)
        EXPECT_FALSE(pieces[i].hangUp);

    config.hangUpAfter = 0;
    Instrument at_once(config);
    const auto none = at_once.feed("DV\r");
    ASSERT_EQ(none.size(), 1u);
    EXPECT_TRUE(none[0].bytes.empty());
    EXPECT_TRUE(none[0].hangUp);
}

TEST(Faults, HangUpAfterRecordsComesRightAfterThatRecordsClosingLine) {
    Config config = faulty(Fault::HangUp);
    config.records = 4;
    config.hangUpAfterRecords = 2;
    Instrument model(config);
    model.feed("LF01\r"); // the query does not count
    const std::string got = joined(model.feed("LD01\r"));
    Config plain;
    plain.records = 4;
    const std::string whole = Instrument(plain).downloadText(1);
    ASSERT_LT(got.size(), whole.size());
    EXPECT_EQ(got, whole.substr(0, got.size()));
    // The header's closing line and two records' closing lines, the last
    // one being the final bytes.
    std::size_t closings = 0;
    for (std::size_t at = got.find("\r\r"); at != std::string::npos; at = got.find("\r\r", at + 2))
        ++closings;
    EXPECT_EQ(closings, 3u);
    EXPECT_EQ(got.substr(got.size() - 2), "\r\r");
    EXPECT_TRUE(model.hungUp());
}

// The model on the fake serial line's virtual clock, wired as its header
// shows: the reply arrives one reply delay after the command went out.
TEST(FakeLine, RepliesArriveOnTheVirtualClock) {
    fake::FakeHost host;
    fake::FakeSerial serial(host);
    Instrument model;
    serial.onOutput = [&](const std::string& sent) {
        double t = host.now();
        for (const auto& p : model.feed(text::toLatin1(sent))) {
            t += p.delay;
            serial.arriveAt(t, text::fromLatin1(p.bytes));
        }
    };
    serial.setPortOpen(true);
    serial.output("DT\r");
    host.sleepMs(40);
    EXPECT_EQ(serial.inBufferCount(), 0);
    host.sleepMs(20);
    const std::string reply = serial.input();
    EXPECT_EQ(text::charCount(reply), 13u);
    EXPECT_EQ(text::slice(reply, 9), " \u00B0C\r");
}

// --- command line ---

TEST(CommandLine, OptionsSetTheModel) {
    const auto r =
        parseOptions({"--port", "3", "--records=120", "--values", "9", "--set-state", "all=silent",
                      "--set-state", "7=empty", "--fault", "trickle", "--seed", "42", "--baud",
                      "115200", "--once", "--link-dir", "/tmp/x"});
    ASSERT_TRUE(r.ok()) << r.error;
    const Options& o = r.options;
    EXPECT_EQ(o.port, 3);
    EXPECT_EQ(o.model.records, 120);
    EXPECT_EQ(o.model.values, 9);
    EXPECT_EQ(o.model.stateOf(7), SetState::Empty);
    EXPECT_EQ(o.model.stateOf(8), SetState::Silent);
    EXPECT_EQ(o.model.fault, Fault::Trickle);
    EXPECT_EQ(o.model.seed, 42u);
    EXPECT_DOUBLE_EQ(o.model.bytesPerSecond, 11520);
    EXPECT_TRUE(o.once);
    EXPECT_EQ(o.linkDir, "/tmp/x");
    const Options silent = parseOptions({"--silent-after", "4", "--silent-for=7.5"}).options;
    EXPECT_EQ(silent.silentAfter, 4);
    EXPECT_DOUBLE_EQ(silent.silentFor, 7.5);
}

TEST(CommandLine, HangUpAfterAloneSelectsTheHangUpFaultAndAGivenFaultWins) {
    const auto r = parseOptions({"--hangup-after", "100"});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.options.model.fault, Fault::HangUp);
    EXPECT_EQ(r.options.model.hangUpAfter, 100u);
    EXPECT_EQ(parseOptions({"--hangup-after", "5", "--fault", "none"}).options.model.fault,
              Fault::None);
    const auto e = parseOptions({"--hangup-after-records", "3", "--fault", "endless"});
    ASSERT_TRUE(e.ok()) << e.error;
    EXPECT_EQ(e.options.model.hangUpAfterRecords, 3);
    EXPECT_EQ(e.options.model.fault, Fault::Endless);
    EXPECT_TRUE(Instrument(e.options.model).feed("DQ01\r").empty()); // the simulator floods
}

TEST(CommandLine, BadInputIsRefusedWithAReason) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--port", "0"},
                                               {"--port", "10"},
                                               {"--port", "x"},
                                               {"--port"},
                                               {"--records", "-1"},
                                               {"--set-state", "21=data"},
                                               {"--set-state", "3"},
                                               {"--set-state", "3=full"},
                                               {"--fault", "flaky"},
                                               {"--seed", "1e3"},
                                               {"--reply-delay", "soon"},
                                               {"--silent-for", "61"},
                                               {"--link-dir", ""},
                                               {"COM1"}}) {
        const auto r = parseOptions(args);
        EXPECT_FALSE(r.ok()) << args[0];
        EXPECT_FALSE(r.error.empty());
    }
}

} // namespace
} // namespace tz::sim
