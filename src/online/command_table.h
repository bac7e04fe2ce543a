#pragma once
// The on-line parameter list and the command each entry sends.
#include "app/globals.h"

#include <string>
#include <vector>

namespace tz {

// Fills ParamCmd from ParamName and returns the entries of the parameter
// list, in order: the names up to the first empty one (all 20 when
// none is empty). Table entries 13 to 19 always get the fixed commands;
// entries the build does not reach keep what they held. The caller selects
// the first entry when the list is not empty.
std::vector<std::string> buildCommandTable(Globals& globals);

// The command for list position `position` (counted from 0): ParamCmd of
// the next entry; "" for a position outside the table.
std::string commandFor(const Globals& globals, int position);

} // namespace tz
