#pragma once
// The LibreOffice Calc backend as a module loaded on first use. The windows
// get a spreadsheet link and a desktop shell at once; the module (and with
// it LibreOffice's libraries) is loaded only when a workbook transfer
// starts. When it cannot be loaded, that start ends with a message that
// says what to install.
#include "platform/sheet_link.h"
#include "platform/shell.h"

#include <memory>
#include <string>
#include <vector>

namespace tz {

// The files tried, in order: $TZ_CALC_MODULE, then beside the program (a
// build folder), then ../lib/tidewell-z/ from the program (an installed
// copy).
std::vector<std::string> calcModuleCandidates();

std::unique_ptr<SheetLink> makeLazyCalcSheetLink();
std::unique_ptr<Shell> makeLazyCalcShell();

} // namespace tz
