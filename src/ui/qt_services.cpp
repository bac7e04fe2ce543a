#include "backends/qt/qt_file_dialog.h"
#include "backends/qt/qt_serial_control.h"
#include "backends/qt/qt_timer.h"
#include "ui/services.h"

#if defined(_WIN32)
#include "backends/win32/dde_sheet_link.h"
#include "backends/win32/win32_shell.h"
#else
#include "ui/calc_module.h"
#endif

namespace tz {

UiServices qtServices(Globals& globals, Host& host) {
    UiServices s{globals, host, {}, {}, {}, {}, {}, {}, {}, {}};
    s.makeSerial = [] { return std::make_unique<QtSerialControl>(); };
    s.makeTimer = [] { return std::make_unique<QtTimer>(); };
#if defined(_WIN32)
    s.makeSheetLink = [] { return std::make_unique<win32::DdeSheetLink>(); };
    s.makeShell = [] { return std::make_unique<win32::Win32Shell>(); };
#else
    // LibreOffice Calc, loaded when a workbook transfer first needs it.
    s.makeSheetLink = [] { return makeLazyCalcSheetLink(); };
    s.makeShell = [] { return makeLazyCalcShell(); };
#endif
    s.makeFileDialog = [](QWidget* owner) { return std::make_unique<QtFileDialog>(owner); };
    s.openHelp = openHelpWithDesktop;
    s.listPorts = [] {
        auto ports = systemSerialPorts();
        for (auto& pty : freePseudoTerminals())
            ports.push_back(std::move(pty));
        return ports;
    };
    s.manualFile = findManual();
    return s;
}

} // namespace tz
