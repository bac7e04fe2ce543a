#pragma once
// The on-line parameter list and the command each entry sends.
#include <array>
#include <string>
#include <vector>

namespace tz {

struct CommandTable {
    // The entries of the parameter list, in order: the names up to the
    // first empty one (all 20 when none is empty).
    std::vector<std::string> names;
    // The command of each table entry, indexed 1..20 (element 0 unused);
    // entries 13 to 19 always hold the instrument's fixed commands.
    std::array<std::string, 21> commands{};

    // The command for list position `position` (counted from 0): the
    // command of the next entry; "" for a position outside the table.
    std::string commandFor(int position) const;
};

// The table for the parameter names of the settings file (indexed 1..20).
// The caller selects the first entry when the list is not empty.
CommandTable buildCommandTable(const std::array<std::string, 21>& paramNames);

} // namespace tz
