#include "platform/qt/qt_file_dialog.h"
#include "platform/qt/qt_serial_control.h"
#include "platform/qt/qt_timer.h"
#include "ui/services.h"
#include "ui/unavailable_sheet.h"

#ifdef TZ_HAVE_LIBREOFFICE
#include "platform/libreoffice/factory.h"
#endif

namespace tz {

UiServices qtServices(Globals& globals, Host& host) {
    UiServices s{globals, host, {}, {}, {}, {}, {}, {}};
    s.makeSerial = [] { return std::make_unique<QtSerialControl>(); };
    s.makeTimer = [] { return std::make_unique<QtTimer>(); };
#ifdef TZ_HAVE_LIBREOFFICE
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
