#pragma once
// Where the port called COMn lives. Operators know their ports as COM1 to
// COM9; on Linux a per-user symbolic link names the device behind each of
// them (a USB adapter, or the simulator's pseudo-terminal), and without a
// link COMn falls back to the n-th on-board UART.
#include <filesystem>
#include <string>

namespace tz {

// ${XDG_CONFIG_HOME:-$HOME/.config}/tidewell-z/ports from the given
// environment values (null or empty when unset). A relative
// XDG_CONFIG_HOME is ignored, as the XDG rules ask. Empty when neither
// gives an absolute folder.
std::filesystem::path portLinkFolder(const char* xdgConfigHome, const char* home);
// The same from this process's environment.
std::filesystem::path portLinkFolder();

// The device for COMn given the folder of links: the link entry COMn when
// it exists (even dangling, so that a stale link is reported as a missing
// port rather than silently replaced by /dev/ttyS<n-1>), else
// /dev/ttyS<n-1>. Empty for a port number below 1.
std::string linuxDeviceFor(int port, const std::filesystem::path& linkFolder);

// Makes linkFolder/COMn a symbolic link to `device`, replacing any link
// there in one step (a program opening the port meanwhile sees the old
// device or the new one). Creates the folder. Throws std::runtime_error
// with a message naming the link when that fails.
void assignPortLink(int port, const std::string& device, const std::filesystem::path& linkFolder);
// Removes the link COMn, so that the port is /dev/ttyS<n-1> again. No
// error when there is none; throws when it cannot be removed.
void removePortLink(int port, const std::filesystem::path& linkFolder);

// The name to hand the serial driver for COMn on this system: "COMn" on
// Windows, linuxDeviceFor() with the environment's link folder elsewhere.
std::string deviceNameFor(int port);

} // namespace tz
