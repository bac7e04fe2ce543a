#pragma once
// What the windows get from outside: the settings, the host, and makers of
// the per-window platform objects. The program wires the Qt backends (see
// qtServices); tests wire fakes.
#include "app/globals.h"
#include "backends/qt/serial_ports.h"
#include "platform/file_dialog.h"
#include "platform/host.h"
#include "platform/serial_control.h"
#include "platform/sheet_link.h"
#include "platform/shell.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace tz {

struct UiServices {
    Globals& globals;
    Host& host;
    std::function<std::unique_ptr<SerialControl>()> makeSerial;
    std::function<std::unique_ptr<Timer>()> makeTimer;
    std::function<std::unique_ptr<SheetLink>()> makeSheetLink;
    std::function<std::unique_ptr<Shell>()> makeShell;
    // The dialog is owned by the window `owner`, which it is shown over.
    std::function<std::unique_ptr<FileDialog>(QWidget* owner)> makeFileDialog;
    // Show the help file; throws Failure(FileNotFound) when it is missing.
    std::function<void(const std::string& path)> openHelp;
    // The serial ports the "Ports..." dialog offers (QSerialPortInfo with
    // the by-id names in the program; tests offer pseudo-terminals).
    std::function<std::vector<SerialPortEntry>()> listPorts;
    // The manual F1 shows when there is no help file; empty for none.
    std::string manualFile;
};

// The program's wiring: Qt serial port, timer and file dialog, the desktop's
// help viewer, and the spreadsheet backend of this build.
UiServices qtServices(Globals& globals, Host& host);

// The manual of this copy of the program: ../share/tidewell-z/manual.html
// from the program when installed, manual.html beside it in a build folder;
// empty when neither exists.
std::string findManual();

// Opens the help file through the desktop's handler for its type.
void openHelpWithDesktop(const std::string& path);

// F1 in a window: the help file named at start-up when it exists, else the
// manual, or a message saying why neither can be shown.
void showHelp(UiServices& services);

} // namespace tz
