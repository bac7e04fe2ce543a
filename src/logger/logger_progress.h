#pragma once
// The words of a logger transfer's progress and result, shared by the
// window and the console so that both say the same.
#include "platform/views.h"

#include <optional>
#include <string>
#include <string_view>

namespace tz {

// "Set 2 of 3 — No.12, 45 of 148 records" (the count announced by the
// header only when it gives one).
std::string progressLine(const LoggerProgress& p);
// The share of the whole download done, 0 to 1: whole sets, plus the part
// of the current set when its header announced its records.
double progressShare(const LoggerProgress& p);

struct LoggerSummary {
    int sets = 0;     // sets downloaded to their end
    long records = 0; // records written, all sets
    long long bytes = 0;
    std::string document;
    std::string stoppedBy; // empty: the transfer ran to its end
};
// "3 sets, 148 records, 14,220 bytes → /path/Tidewell.csv", or what
// stopped it in front of what was done by then.
std::string resultLine(const LoggerSummary& s);

// The number of records a header line announces ("RECORDS 148",
// "Records: 148"), if it is such a line.
std::optional<long> announcedRecords(std::string_view headerLine);
// The same for a line as the logger's line reader gives it.
std::optional<long> announcedRecords(std::u32string_view headerLine);

// 14220 as "14,220".
std::string withThousands(long long n);

} // namespace tz
