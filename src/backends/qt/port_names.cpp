#include "backends/qt/port_names.h"

#include "app/settings_folder.h"

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <system_error>

namespace tz {

std::filesystem::path portLinkFolder(const char* xdgConfigHome, const char* home) {
    const std::string base = linuxUserSettingsFolder(xdgConfigHome, home);
    return base.empty() ? std::filesystem::path() : std::filesystem::path(base) / "ports";
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

namespace {

std::filesystem::path linkPath(int port, const std::filesystem::path& linkFolder) {
    if (port < 1 || port > 9)
        throw std::runtime_error("COM" + std::to_string(port) + " is not one of COM1 to COM9");
    if (linkFolder.empty())
        throw std::runtime_error("No folder for the port links: HOME is not set");
    return linkFolder / ("COM" + std::to_string(port));
}

} // namespace

void assignPortLink(int port, const std::string& device, const std::filesystem::path& linkFolder) {
    const auto link = linkPath(port, linkFolder);
    std::error_code ec;
    std::filesystem::create_directories(linkFolder, ec);
    if (ec)
        throw std::runtime_error("The folder " + linkFolder.string() +
                                 " could not be created: " + ec.message());
    if (std::filesystem::is_directory(std::filesystem::symlink_status(link, ec)))
        throw std::runtime_error(link.string() + " is a folder, not a port link");
    std::random_device random;
    const auto temp =
        linkFolder / (".COM" + std::to_string(port) + ".new" + std::to_string(random()));
    std::filesystem::create_symlink(device, temp, ec);
    if (!ec) std::filesystem::rename(temp, link, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        throw std::runtime_error("The link " + link.string() +
                                 " could not be made: " + ec.message());
    }
}

void removePortLink(int port, const std::filesystem::path& linkFolder) {
    const auto link = linkPath(port, linkFolder);
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(link, ec))) return;
    std::filesystem::remove(link, ec);
    if (ec)
        throw std::runtime_error("The link " + link.string() +
                                 " could not be removed: " + ec.message());
}

std::string deviceNameFor(int port) {
#ifdef _WIN32
    return port < 1 ? std::string() : "COM" + std::to_string(port);
#else
    return linuxDeviceFor(port, portLinkFolder());
#endif
}

} // namespace tz
