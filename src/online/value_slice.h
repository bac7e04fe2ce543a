#pragma once
// The value of an on-line reply: the first nine characters, or characters
// 8 to 14 for the command table entries of "DI+" and "DI-" (entries 14 and
// 15, whatever command text stands there), without line-end characters.
#include <string>

namespace tz {

inline constexpr int kEntryDiPlus = 14;
inline constexpr int kEntryDiMinus = 15;

// `tableEntry` is the command table entry of the polled parameter (1..20).
std::string sliceValue(const std::string& reply, int tableEntry);

} // namespace tz
