#include "online/command_table.h"

#include <array>
#include <cstdio>

namespace tz {

namespace {

constexpr int kTableSize = 20;
constexpr int kFirstFixedEntry = 13;
constexpr std::array<const char*, 7> kFixedCommands = {"DV",  "DI+", "DI-", "DAO",
                                                       "DAI", "DC",  "DT"};

std::string parameterQuery(int entry) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "DQ%02d", entry);
    return buf;
}

} // namespace

std::vector<std::string> buildCommandTable(Globals& globals) {
    std::vector<std::string> list;
    // With all 20 names filled there is no empty one to stop at; the table
    // has no 21st entry, so the list ends after the 20th.
    for (int i = 1; i <= kTableSize && !globals.ParamName[i].empty(); ++i) {
        list.push_back(globals.ParamName[i]);
        globals.ParamCmd[i] = parameterQuery(i);
    }
    // The instrument's own values sit at fixed table entries, whatever
    // names the settings file puts there.
    for (std::size_t k = 0; k < kFixedCommands.size(); ++k)
        globals.ParamCmd[kFirstFixedEntry + k] = kFixedCommands[k];
    return list;
}

std::string commandFor(const Globals& globals, int position) {
    if (position < 0 || position >= kTableSize) return {};
    return globals.ParamCmd[position + 1];
}

} // namespace tz
