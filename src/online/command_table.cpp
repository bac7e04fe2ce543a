#include "online/command_table.h"

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

CommandTable buildCommandTable(const std::array<std::string, 21>& paramNames) {
    CommandTable table;
    // With all 20 names filled there is no empty one to stop at; the table
    // has no 21st entry, so the list ends after the 20th.
    for (int i = 1; i <= kTableSize && !paramNames[i].empty(); ++i) {
        table.names.push_back(paramNames[i]);
        table.commands[i] = parameterQuery(i);
    }
    // The instrument's own values sit at fixed table entries, whatever
    // names the settings file puts there.
    for (std::size_t k = 0; k < kFixedCommands.size(); ++k)
        table.commands[kFirstFixedEntry + k] = kFixedCommands[k];
    return table;
}

std::string CommandTable::commandFor(int position) const {
    if (position < 0 || position >= kTableSize) return {};
    return commands[position + 1];
}

} // namespace tz
