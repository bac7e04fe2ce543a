#include "backends/qt/qt_file_dialog.h"
#include "backends/qt/qt_serial_control.h"
#include "backends/qt/qt_timer.h"
#include "ui/services.h"
#include "ui/unavailable_sheet.h"

#if defined(_WIN32)
#include "backends/win32/dde_sheet_link.h"
#include "backends/win32/win32_shell.h"
#elif defined(TZ_HAVE_LIBREOFFICE)
#include "backends/libreoffice/factory.h"
#endif

namespace tz {

UiServices qtServices(Globals& globals, Host& host) {
    UiServices s{globals, host, {}, {}, {}, {}, {}, {}};
    s.makeSerial = [] { return std::make_unique<QtSerialControl>(); };
    s.makeTimer = [] { return std::make_unique<QtTimer>(); };
#if defined(_WIN32)
    s.makeSheetLink = [] { return std::make_unique<win32::DdeSheetLink>(); };
    s.makeShell = [] { return std::make_unique<win32::Win32Shell>(); };
#elif defined(TZ_HAVE_LIBREOFFICE)
    s.makeSheetLink = [] { return makeSheetLink(); };
    s.makeShell = [] { return makeShell(); };
#else
    s.makeSheetLink = [] { return std::make_unique<UnavailableSheetLink>(); };
    s.makeShell = [] { return std::make_unique<UnavailableShell>(); };
#endif
    s.makeFileDialog = [](QWidget* owner) { return std::make_unique<QtFileDialog>(owner); };
    s.openHelp = openHelpWithDesktop;
    return s;
}

} // namespace tz
