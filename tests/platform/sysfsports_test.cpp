// What sysfs tells about each port, read from a made-up tree with a built-in UART and two USB adapters.
#include "platform/portmap.h"
#include "platform/posix/portnumbering.h"

#include "support/fakesysfs.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace platform;

namespace {

const TPortMapEntry* FindPort(const std::vector<TPortMapEntry>& ports, const std::string& portName)
{
    const auto it = std::find_if(ports.begin(), ports.end(), [&](const TPortMapEntry& e) { return e.PortName == portName; });
    return it == ports.end() ? nullptr : &*it;
}

class SysfsPorts : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (int number : {8, 9})
            UnregisterComLink(number);
    }
    TFakeSysfs tree;
};

struct TDetailsCase {
    std::string portName, deviceName, node;
    TPortKind kind;
    TFakeUsbAdapter usb; // the driver alone for the built-in port
};

} // namespace

TEST_F(SysfsPorts, EachPortCarriesWhatSysfsKnowsAboutIt)
{
    const TDetailsCase cases[] = {
        {"COM1", "\\Device\\Serial0", "ttyS0", TPortKind::BuiltIn, {"", "", "", "", "", "serial8250", ""}},
        {"COM2", "\\Device\\VCP2", "ttyUSB0", TPortKind::Usb, kFakeFtdi},
        {"COM3", "\\Device\\VCP3", "ttyUSB1", TPortKind::Usb, kFakeCp210x},
    };
    const std::vector<TPortMapEntry> ports = ReadPortMapAt(tree.Dev(), tree.Sys());
    ASSERT_EQ(ports.size(), std::size(cases));
    for (const TDetailsCase& c : cases) {
        SCOPED_TRACE(c.portName);
        const TPortMapEntry* port = FindPort(ports, c.portName);
        ASSERT_TRUE(port);
        EXPECT_EQ(port->DeviceName, c.deviceName);
        EXPECT_EQ(port->Path, tree.Node(c.node));
        const TPortDetails& details = port->Details;
        EXPECT_EQ(details.Kind, c.kind);
        EXPECT_EQ(details.VendorId, c.usb.VendorId);
        EXPECT_EQ(details.ProductId, c.usb.ProductId);
        EXPECT_EQ(details.Manufacturer, c.usb.Manufacturer);
        EXPECT_EQ(details.Product, c.usb.Product);
        EXPECT_EQ(details.SerialNumber, c.usb.SerialNumber);
        EXPECT_EQ(details.Driver, c.usb.Driver);
        EXPECT_EQ(details.StablePath, c.usb.ById.empty() ? "" : tree.ById(c.usb));
    }
}

// A pinned port is named after what its target is, not taken for a USB adapter because it is a link.
TEST_F(SysfsPorts, LinkedPortIsNamedAfterItsTarget)
{
    ASSERT_TRUE(RegisterComLink(9, tree.Node("ttyS0")));
    ASSERT_TRUE(RegisterComLink(8, tree.ById(kFakeCp210x)));
    const std::vector<TPortMapEntry> ports = ReadPortMapAt(tree.Dev(), tree.Sys());
    const TPortMapEntry* uart = FindPort(ports, "COM9");
    ASSERT_TRUE(uart);
    EXPECT_EQ(uart->DeviceName, "\\Device\\Serial0");
    EXPECT_EQ(uart->Details.Kind, TPortKind::BuiltIn);
    EXPECT_EQ(uart->Path, tree.Node("ttyS0"));
    const TPortMapEntry* adapter = FindPort(ports, "COM8");
    ASSERT_TRUE(adapter);
    EXPECT_EQ(adapter->DeviceName, "\\Device\\VCP8");
    EXPECT_EQ(adapter->Details.Product, kFakeCp210x.Product);
    EXPECT_EQ(adapter->Path, tree.Node("ttyUSB1"));
    EXPECT_FALSE(FindPort(ports, "COM1")) << "the UART is listed under its link only";
}

TEST(PortDescription, NamesTheAdapterItsIdsSerialDriverAndStablePath)
{
    const struct {
        TPortMapEntry entry;
        std::string text;
    } cases[] = {
        {{"\\Device\\VCP2", "COM2", "/dev/ttyUSB0",
          {TPortKind::Usb, "0403", "6001", "FTDI", "FT232R USB UART", "A1", "ftdi_sio", "/dev/serial/by-id/x"}},
         "FTDI FT232R USB UART, 0403:6001, serial A1, driver ftdi_sio, /dev/serial/by-id/x"},
        {{"\\Device\\VCP3", "COM3", "/dev/ttyACM0", {TPortKind::Usb, "2341", "0043", "", "", "", "cdc_acm", ""}},
         "\\Device\\VCP3, 2341:0043, driver cdc_acm"},
        {{"\\Device\\Serial0", "COM1", "/dev/ttyS0", {TPortKind::BuiltIn, "", "", "", "", "", "serial8250", ""}},
         "\\Device\\Serial0, driver serial8250"},
        {{"\\Device\\VCP9", "COM9", "/dev/pts/3", {TPortKind::PseudoTerminal}}, "pseudo-terminal"},
        {{"\\Device\\Serial1", "COM11", "\\\\.\\COM11", {TPortKind::BuiltIn}}, "\\Device\\Serial1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DescribePort(c.entry), c.text);
}

TEST(PortDescription, OnlyNumbersFromOneTo255WithoutLeadingZerosAreComNumbers)
{
    const std::pair<std::string, std::optional<int>> cases[] = {
        {"COM1", 1}, {"COM255", 255}, {"COM0", std::nullopt}, {"COM256", std::nullopt}, {"COM300", std::nullopt},
        {"COM07", std::nullopt}, {"COM", std::nullopt}, {"COM1a", std::nullopt}, {"LPT1", std::nullopt},
        {"COM-1", std::nullopt}, {"COM99999999999", std::nullopt},
    };
    for (const auto& [name, number] : cases)
        EXPECT_EQ(ComNumberOf(name), number) << name;
}
