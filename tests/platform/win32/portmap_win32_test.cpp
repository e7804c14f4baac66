// The port map from the registry of the Wine prefix that scripts/wine-tests.sh made: Wine lists /dev/ttyS0 as
// COM1, and every comN link in the prefix's dosdevices folder that was there when the Wine server started.
#include "platform/portmap.h"

#include "winepeers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using platform::TPortMapEntry;

namespace {

const TPortMapEntry* FindPort(const std::vector<TPortMapEntry>& ports, const std::string& portName)
{
    const auto found = std::find_if(ports.begin(), ports.end(), [&](const auto& e) { return e.PortName == portName; });
    return found == ports.end() ? nullptr : &*found;
}

} // namespace

TEST(Win32PortMap, ListsTheRegistrysSerialPortsWithTheirDevicePaths)
{
    const auto ports = platform::ReadPortMap();
    const struct {
        std::string portName;
    } cases[] = {{"COM1"}, {"COM" + std::to_string(PeerComNumber("ZENTOR_ECHO_COM"))}};
    for (const auto& c : cases) {
        const TPortMapEntry* port = FindPort(ports, c.portName);
        ASSERT_TRUE(port) << c.portName;
        EXPECT_TRUE(port->DeviceName.starts_with("\\Device\\Serial")) << port->DeviceName;
        EXPECT_EQ(port->Path, "\\\\.\\" + c.portName);
        EXPECT_EQ(port->Details.Kind, platform::TPortKind::BuiltIn) << "the registry tells only the device name";
        EXPECT_EQ(platform::DescribePort(*port), port->DeviceName);
    }
    EXPECT_EQ(FindPort(ports, "COM1")->DeviceName, "\\Device\\Serial0");
}
