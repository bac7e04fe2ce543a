#pragma once
// What "Start Transfer!" hands the on-line transfer for the benchmarks and
// soak runs: the first parameter (DQ01) on COM1 into a CSV document.
#include "online/csv_sink.h"
#include "online/online_transfer.h"

#include <memory>

#include <string>

namespace tz::fake {

inline OnlineRequest csvPolling(const std::string& document, const std::string& paramText = "Flow",
                                const std::string& intervalDigits = "000002",
                                const std::string& lineSettings = "9600,N,8,1") {
    OnlineRequest r;
    r.portNo = 1;
    r.lineSettings = lineSettings;
    r.toWorkbook = false;
    r.commands[1] = "DQ01";
    r.paramIndex = 0;
    r.paramText = paramText;
    r.intervalDigits = intervalDigits;
    r.documentPath = document;
    r.sinks.push_back(std::make_shared<CsvDocumentSink>(document));
    return r;
}

} // namespace tz::fake
