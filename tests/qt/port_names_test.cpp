#include "backends/qt/port_names.h"
#include "backends/qt/serial_ports.h"
#include "instrument_options.h"

#include "sim_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tz {
namespace {

namespace fs = std::filesystem;

using test::ScopedEnv;
using test::TempDir;

// The simulator publishes its ports where the program looks for them.
TEST(PortNames, ProgramAndSimulatorPutLinksUnderXdgConfigHomeElseHomeConfig) {
    const struct {
        const char* xdg;
        const char* home;
        const char* folder;
    } cases[] = {
        {"/x/cfg", "/home/op", "/x/cfg/tidewell-z/ports"},
        {"", "/home/op", "/home/op/.config/tidewell-z/ports"},
        // A relative XDG_CONFIG_HOME is not a valid one.
        {"cfg", "/home/op", "/home/op/.config/tidewell-z/ports"},
        {"", "relative", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.xdg) + " " + c.home);
        EXPECT_EQ(portLinkFolder(c.xdg, c.home), fs::path(c.folder));
        EXPECT_EQ(sim::portLinkDir("", c.xdg, c.home), c.folder);
    }
    EXPECT_EQ(portLinkFolder(nullptr, "/home/op"), fs::path("/home/op/.config/tidewell-z/ports"));
    EXPECT_TRUE(portLinkFolder(nullptr, nullptr).empty());
    // The simulator's own folder, given on its command line, wins.
    EXPECT_EQ(sim::portLinkDir("/tmp/p", "/x/cfg", "/home/op"), "/tmp/p");
}

TEST(PortNames, LinkedPortNamesTheLinkAndOthersFallBackToTheUart) {
    TempDir dir;
    fs::create_symlink("/dev/null", dir.path() / "COM2");
    fs::create_symlink(dir.path() / "gone", dir.path() / "COM4"); // dangling

    EXPECT_EQ(linuxDeviceFor(2, dir.path()), (dir.path() / "COM2").string());
    EXPECT_EQ(linuxDeviceFor(1, dir.path()), "/dev/ttyS0");
    EXPECT_EQ(linuxDeviceFor(3, dir.path()), "/dev/ttyS2");
    EXPECT_EQ(linuxDeviceFor(9, dir.path()), "/dev/ttyS8");
    // A stale link is kept, so the open reports a missing port instead of
    // quietly reaching a different device.
    EXPECT_EQ(linuxDeviceFor(4, dir.path()), (dir.path() / "COM4").string());
    EXPECT_EQ(linuxDeviceFor(3, dir.path() / "missing-folder"), "/dev/ttyS2");
    EXPECT_EQ(linuxDeviceFor(3, fs::path()), "/dev/ttyS2");
    // Port numbers below one name no device.
    EXPECT_EQ(linuxDeviceFor(0, dir.path()), "");
    EXPECT_EQ(linuxDeviceFor(-1, dir.path()), "");
}

TEST(PortNames, DeviceNameReadsTheLinkFolderFromTheEnvironment) {
    TempDir dir;
    fs::create_directories(dir.path() / "tidewell-z" / "ports");
    fs::create_symlink("/dev/null", dir.path() / "tidewell-z" / "ports" / "COM5");
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.path().string());

    EXPECT_EQ(deviceNameFor(5), (dir.path() / "tidewell-z" / "ports" / "COM5").string());
    EXPECT_EQ(deviceNameFor(6), "/dev/ttyS5");
    EXPECT_EQ(deviceNameFor(0), "");

    ScopedEnv noXdg("XDG_CONFIG_HOME", "");
    ScopedEnv home("HOME", dir.path().string());
    fs::create_directories(dir.path() / ".config" / "tidewell-z" / "ports");
    fs::create_symlink("/dev/zero", dir.path() / ".config" / "tidewell-z" / "ports" / "COM6");
    EXPECT_EQ(deviceNameFor(6),
              (dir.path() / ".config" / "tidewell-z" / "ports" / "COM6").string());
}

TEST(PortLinks, AssignReplacesTheLinkAndRemoveFallsBackToTheUart) {
    TempDir dir;
    const fs::path folder = dir.path() / "ports";
    assignPortLink(4, "/dev/null", folder); // the folder is made
    assignPortLink(4, "/dev/zero", folder);
    EXPECT_EQ(fs::read_symlink(folder / "COM4"), "/dev/zero");
    // Nothing of the replacement is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    removePortLink(4, folder);
    removePortLink(4, folder); // no link: nothing to do
    EXPECT_EQ(linuxDeviceFor(4, folder), "/dev/ttyS3");
    fs::create_directories(folder / "COM5");
    EXPECT_THROW(assignPortLink(5, "/dev/null", folder), std::runtime_error);
    EXPECT_THROW(assignPortLink(10, "/dev/null", folder), std::runtime_error);
}

TEST(PortLinks, DescriptionNamesTheDeviceBehindTheLinksOrNotConnected) {
    TempDir dir;
    const fs::path byId = dir.path() / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fs::create_symlink("/dev/null", byId);
    assignPortLink(1, byId.string(), dir.path());
    const std::vector<SerialPortEntry> known = {{"ttyUSB0", "/dev/null",
                                                 QString::fromStdString(byId.string()),
                                                 "FT232R USB UART", "FTDI", "A50285BI"}};
    EXPECT_EQ(describePort(1, known, dir.path()),
              QString::fromUtf8("/dev/null \u2014 FT232R USB UART, serial A50285BI"));
    EXPECT_EQ(describePort(1, {}, dir.path()), "/dev/null");
    // The adapter unplugged: its by-id name is gone.
    fs::remove(byId);
    EXPECT_EQ(describePort(1, known, dir.path()), "not connected");
}

} // namespace
} // namespace tz
