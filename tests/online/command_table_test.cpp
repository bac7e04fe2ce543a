#include "online/command_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tz {
namespace {

using List = std::vector<std::string>;

Globals withNames(int count) {
    Globals g;
    for (int n = 1; n <= count; ++n)
        g.ParamName[n] = "P" + std::to_string(n);
    return g;
}

void expectFixedCommands(const Globals& g) {
    const char* fixed[] = {"DV", "DI+", "DI-", "DAO", "DAI", "DC", "DT"};
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(g.ParamCmd[13 + k], fixed[k]) << "entry " << 13 + k;
}

TEST(CommandTable, NineteenNamesReachEveryFixedCommand) {
    Globals g = withNames(19);
    const List list = buildCommandTable(g);
    ASSERT_EQ(list.size(), 19u);
    EXPECT_EQ(list.front(), "P1");
    EXPECT_EQ(list.back(), "P19");
    EXPECT_EQ(g.ParamCmd[1], "DQ01");
    EXPECT_EQ(g.ParamCmd[9], "DQ09");
    EXPECT_EQ(g.ParamCmd[12], "DQ12");
    expectFixedCommands(g);
    EXPECT_EQ(commandFor(g, 12), "DV");
    EXPECT_EQ(commandFor(g, 18), "DT");
    EXPECT_EQ(g.ParamCmd[20], "");
}

TEST(CommandTable, FiveNamesSendTheirQueriesAndLeaveTheGapUntouched) {
    Globals g = withNames(5);
    for (int k = 6; k <= 20; ++k)
        g.ParamCmd[k] = "old";
    const List list = buildCommandTable(g);
    EXPECT_EQ(list, (List{"P1", "P2", "P3", "P4", "P5"}));
    EXPECT_EQ(commandFor(g, 0), "DQ01");
    EXPECT_EQ(commandFor(g, 4), "DQ05");
    for (int k = 6; k <= 12; ++k)
        EXPECT_EQ(g.ParamCmd[k], "old") << k;
    expectFixedCommands(g);
    EXPECT_EQ(g.ParamCmd[20], "old");
}

TEST(CommandTable, FixedCommandsOverrideQueriesFromTheThirteenthEntryOn) {
    Globals g = withNames(15);
    EXPECT_EQ(buildCommandTable(g).size(), 15u);
    EXPECT_EQ(commandFor(g, 11), "DQ12");
    EXPECT_EQ(commandFor(g, 12), "DV");
    EXPECT_EQ(commandFor(g, 13), "DI+");
    EXPECT_EQ(commandFor(g, 14), "DI-");
}

TEST(CommandTable, TwentyNamesEndTheListAfterTheTwentiethAndStillPlaceTheFixedCommands) {
    Globals g = withNames(20);
    const List list = buildCommandTable(g);
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list.back(), "P20");
    EXPECT_EQ(g.ParamCmd[20], "DQ20");
    expectFixedCommands(g);
}

TEST(CommandTable, NoNamesGiveAnEmptyListButTheFixedCommands) {
    Globals g;
    EXPECT_TRUE(buildCommandTable(g).empty());
    expectFixedCommands(g);
    EXPECT_EQ(g.ParamCmd[1], "");
}

TEST(CommandTable, EmptyNameInTheMiddleEndsTheList) {
    Globals g = withNames(9);
    g.ParamName[6] = "";
    g.ParamCmd[7] = "kept";
    EXPECT_EQ(buildCommandTable(g), (List{"P1", "P2", "P3", "P4", "P5"}));
    EXPECT_EQ(g.ParamCmd[6], "");
    EXPECT_EQ(g.ParamCmd[7], "kept");
}

TEST(CommandTable, NamesAreListedUnchanged) {
    Globals g;
    g.ParamName[1] = "+Flow";
    g.ParamName[2] = " -Total, m3 ";
    EXPECT_EQ(buildCommandTable(g), (List{"+Flow", " -Total, m3 "}));
}

TEST(CommandTable, PositionOutsideTheTableHasNoCommand) {
    Globals g = withNames(20);
    buildCommandTable(g);
    EXPECT_EQ(commandFor(g, -1), "");
    EXPECT_EQ(commandFor(g, 20), "");
    EXPECT_EQ(commandFor(g, 19), "DQ20");
}

} // namespace
} // namespace tz
