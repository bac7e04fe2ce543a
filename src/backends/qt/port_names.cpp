#include "backends/qt/port_names.h"

#include <cstdlib>
#include <system_error>

namespace tz {

std::filesystem::path portLinkFolder(const char* xdgConfigHome, const char* home) {
    std::filesystem::path base;
    if (xdgConfigHome && *xdgConfigHome && std::filesystem::path(xdgConfigHome).is_absolute())
        base = xdgConfigHome;
    else if (home && *home && std::filesystem::path(home).is_absolute())
        base = std::filesystem::path(home) / ".config";
    else
        return {};
    return base / "tidewell-z" / "ports";
}

std::filesystem::path portLinkFolder() {
    return portLinkFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string linuxDeviceFor(int port, const std::filesystem::path& linkFolder) {
    if (port < 1) return {};
    if (!linkFolder.empty()) {
        const auto link = linkFolder / ("COM" + std::to_string(port));
        std::error_code ec;
        // symlink_status does not follow the link: a dangling one still counts.
        if (std::filesystem::exists(std::filesystem::symlink_status(link, ec)))
            return link.string();
    }
    return "/dev/ttyS" + std::to_string(port - 1);
}

std::string deviceNameFor(int port) {
#ifdef _WIN32
    return port < 1 ? std::string() : "COM" + std::to_string(port);
#else
    return linuxDeviceFor(port, portLinkFolder());
#endif
}

} // namespace tz
