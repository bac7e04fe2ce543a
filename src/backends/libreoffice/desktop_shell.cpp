#include "backends/libreoffice/desktop_shell.h"

#include "backends/libreoffice/process.h"
#include "backends/libreoffice/x11_windows.h"
#include "platform/failure.h"

#include <filesystem>
#include <system_error>

namespace tz::calc {

namespace {

// The document's absolute path, for its URL.
std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const auto abs = std::filesystem::absolute(std::filesystem::path(path), ec);
    return ec ? path : abs.string();
}

} // namespace

std::string fileUrl(const std::string& absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0x0F];
        }
    }
    return url;
}

bool DesktopShell::findWindow(const std::string& title) {
    return windowTitled(title);
}

// The office is asked to accept the link's connection in the same breath:
// an office started here then answers as soon as it is up, and one that
// runs already takes the request over together with the document.
void DesktopShell::openDocument(const std::string& path, WindowHandle) {
    auto cmd = sofficeCommand();
    cmd.push_back(acceptArgument(officePipeName()));
    // A URL, not the path: soffice decodes a bare path by the session's
    // locale, which may not be the one the name was written in.
    cmd.push_back(fileUrl(absolutePath(path)));
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
