#pragma once
// The Linux desktop backends for the windows: the spreadsheet link to
// LibreOffice Calc and the desktop shell. No UNO or X11 header leaks
// through here.
#include "platform/sheet_link.h"
#include "platform/shell.h"

#include <memory>

namespace tz {

std::unique_ptr<SheetLink> makeSheetLink();
std::unique_ptr<Shell> makeShell();

} // namespace tz
