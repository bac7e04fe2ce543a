// The entry points of the Calc module (tidewell-z-calc.so). The program
// loads the module only when a workbook transfer starts, so that it runs
// without LibreOffice for CSV output; the module alone links the UNO
// runtime. Objects are made and destroyed by the module's own code (their
// virtual destructors), and the module stays loaded for the program's life.
#include "backends/libreoffice/factory.h"

#define TZ_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

// Bumped whenever SheetLink or Shell change, so that an old module left in
// place is refused rather than called through a wrong table.
TZ_MODULE_EXPORT int tz_calc_module_interface() {
    return 3;
}

TZ_MODULE_EXPORT tz::SheetLink* tz_calc_make_sheet_link() {
    return tz::makeSheetLink().release();
}

TZ_MODULE_EXPORT tz::Shell* tz_calc_make_shell() {
    return tz::makeShell().release();
}
