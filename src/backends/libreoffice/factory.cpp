#include "backends/libreoffice/factory.h"

#include "backends/libreoffice/calc_link.h"
#include "backends/libreoffice/desktop_shell.h"

namespace tz {

std::unique_ptr<SheetLink> makeSheetLink() {
    return std::make_unique<calc::CalcLink>();
}
std::unique_ptr<Shell> makeShell() {
    return std::make_unique<calc::DesktopShell>();
}

} // namespace tz
