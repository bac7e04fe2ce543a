#include "backends/libreoffice/desktop_shell.h"

#include "backends/libreoffice/process.h"
#include "backends/libreoffice/x11_windows.h"
#include "platform/failure.h"

#include <filesystem>
#include <system_error>

namespace tz::calc {

namespace {

// An absolute path never reads as one of soffice's options, whatever the
// operator named the file.
std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const auto abs = std::filesystem::absolute(std::filesystem::path(path), ec);
    return ec ? path : abs.string();
}

} // namespace

bool DesktopShell::findWindow(const std::string& title) {
    return windowTitled(title);
}

// The office is asked to accept the link's connection in the same breath:
// an office started here then answers as soon as it is up, and one that
// runs already takes the request over together with the document.
void DesktopShell::openDocument(const std::string& path, WindowHandle) {
    auto cmd = sofficeCommand();
    cmd.push_back(acceptArgument(officePipeName()));
    cmd.push_back(absolutePath(path));
    launched_ = startDetached(cmd);
}

bool DesktopShell::documentWindowComesLater() {
    return displayAvailable();
}

void DesktopShell::endLaunched() noexcept {
    endSession(launched_);
    launched_ = 0;
}

void DesktopShell::activate(const std::string& title) {
    raiseWindow(title);
}

} // namespace tz::calc
