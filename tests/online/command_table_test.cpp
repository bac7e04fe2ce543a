#include "online/command_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tz {
namespace {

using List = std::vector<std::string>;
using Names = std::array<std::string, 21>;

Names withNames(int count) {
    Names names{};
    for (int n = 1; n <= count; ++n)
        names[n] = "P" + std::to_string(n);
    return names;
}

void expectFixedCommands(const CommandTable& t) {
    const char* fixed[] = {"DV", "DI+", "DI-", "DAO", "DAI", "DC", "DT"};
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(t.commands[13 + k], fixed[k]) << "entry " << 13 + k;
}

TEST(CommandTable, NineteenNamesReachEveryFixedCommand) {
    const CommandTable t = buildCommandTable(withNames(19));
    ASSERT_EQ(t.names.size(), 19u);
    EXPECT_EQ(t.names.front(), "P1");
    EXPECT_EQ(t.names.back(), "P19");
    EXPECT_EQ(t.commands[1], "DQ01");
    EXPECT_EQ(t.commands[9], "DQ09");
    EXPECT_EQ(t.commands[12], "DQ12");
    expectFixedCommands(t);
    EXPECT_EQ(t.commandFor(12), "DV");
    EXPECT_EQ(t.commandFor(18), "DT");
    EXPECT_EQ(t.commands[20], "");
}

TEST(CommandTable, FiveNamesSendTheirQueriesAndLeaveTheGapEmpty) {
    const CommandTable t = buildCommandTable(withNames(5));
    EXPECT_EQ(t.names, (List{"P1", "P2", "P3", "P4", "P5"}));
    EXPECT_EQ(t.commandFor(0), "DQ01");
    EXPECT_EQ(t.commandFor(4), "DQ05");
    for (int k = 6; k <= 12; ++k)
        EXPECT_EQ(t.commands[k], "") << k;
    expectFixedCommands(t);
    EXPECT_EQ(t.commands[20], "");
}

TEST(CommandTable, FixedCommandsOverrideQueriesFromTheThirteenthEntryOn) {
    const CommandTable t = buildCommandTable(withNames(15));
    EXPECT_EQ(t.names.size(), 15u);
    EXPECT_EQ(t.commandFor(11), "DQ12");
    EXPECT_EQ(t.commandFor(12), "DV");
    EXPECT_EQ(t.commandFor(13), "DI+");
    EXPECT_EQ(t.commandFor(14), "DI-");
}

TEST(CommandTable, TwentyNamesEndTheListAfterTheTwentiethAndStillPlaceTheFixedCommands) {
    const CommandTable t = buildCommandTable(withNames(20));
    ASSERT_EQ(t.names.size(), 20u);
    EXPECT_EQ(t.names.back(), "P20");
    EXPECT_EQ(t.commands[20], "DQ20");
    expectFixedCommands(t);
    EXPECT_EQ(t.commandFor(-1), "");
    EXPECT_EQ(t.commandFor(20), "");
    EXPECT_EQ(t.commandFor(19), "DQ20");
}

TEST(CommandTable, NoNamesGiveAnEmptyListButTheFixedCommands) {
    const CommandTable t = buildCommandTable(Names{});
    EXPECT_TRUE(t.names.empty());
    expectFixedCommands(t);
    EXPECT_EQ(t.commands[1], "");
}

TEST(CommandTable, EmptyNameInTheMiddleEndsTheList) {
    Names names = withNames(9);
    names[6] = "";
    const CommandTable t = buildCommandTable(names);
    EXPECT_EQ(t.names, (List{"P1", "P2", "P3", "P4", "P5"}));
    EXPECT_EQ(t.commands[6], "");
    EXPECT_EQ(t.commands[7], "");
}

TEST(CommandTable, NamesAreListedUnchanged) {
    Names names{};
    names[1] = "+Flow";
    names[2] = " -Total, m3 ";
    EXPECT_EQ(buildCommandTable(names).names, (List{"+Flow", " -Total, m3 "}));
}

} // namespace
} // namespace tz
