#pragma once
// The message a broker gets for one row: UTF-8 JSON a plant's collector
// (Telegraf, Node-RED) reads without knowing this program.
//   {"seq": 1, "time": "2026-12-08T07:25:13.250+01:00", "port": "COM1",
//    "parameter": "Flow", "value": 12.345, "unit": "m3/h", "text": "12.345"}
#include "online/iso_time.h"
#include "online/row_sink.h"

#include <string>

namespace tz {

std::string rowMessage(const RunStart& run, const PolledRow& row);

// `text` as the contents of a JSON string (without the quotes): quotes,
// backslashes and control characters escaped, and bytes that are not UTF-8
// (an instrument's garbage, text of a legacy code page) replaced by U+FFFD
// so that the message stays valid.
std::string jsonEscaped(const std::string& text);

// The shortest text that reads back as `value`; "null" for NaN and the
// infinities, which JSON lacks.
std::string jsonNumber(double value);

} // namespace tz
