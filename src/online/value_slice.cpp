#include "online/value_slice.h"

#include "app/text.h"

#include <algorithm>

namespace tz {

std::string sliceValue(const std::string& reply, int tableEntry) {
    std::string value = (tableEntry == kEntryDiPlus || tableEntry == kEntryDiMinus)
                            ? text::slice(reply, 7, 7)
                            : text::slice(reply, 0, 9);
    // A short reply would carry its CR into the value, and a CR or LF inside
    // a CSV line splits the row in two; everything else stays as received.
    std::erase_if(value, [](char c) { return c == '\r' || c == '\n'; });
    return value;
}

} // namespace tz
