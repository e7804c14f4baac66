// What sysfs tells about each port, read from a made-up tree with a built-in UART and two USB adapters.
#include "platform/portmap.h"
#include "platform/posix/portnumbering.h"

#include "support/fakesysfs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

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

// Two CH340s without serial numbers and two CP2102s that share one (udev links only the last under by-id),
// plugged in as ttyUSB1 to ttyUSB4 while ttyUSB0 is unplugged: every adapter is listed, keeps the number of
// its node, and its description tells it apart by the USB port it sits in.
TEST(SysfsTwins, EveryAdapterIsListedAndTwinsDifferByTheirUsbPort)
{
    const TFakeUsbAdapter ch340{"1a86", "7523", "", "USB Serial", "", "ch341", "usb-1a86_USB_Serial-if00-port0"};
    const TFakeUsbAdapter cp2102{"10c4", "ea60", "Silicon Labs", "CP2102", "0001", "cp210x",
                                 "usb-Silicon_Labs_CP2102_0001-if00-port0"};
    const struct {
        TFakeUsbAdapter adapter;
        std::string usbPort, node, portName;
        bool byId;
    } cases[] = {
        {ch340, "1-1.2", "ttyUSB1", "COM2", false},
        {ch340, "1-1.3", "ttyUSB2", "COM3", true},
        {cp2102, "1-1.4", "ttyUSB3", "COM4", false},
        {cp2102, "3-2", "ttyUSB4", "COM5", true},
    };
    TFakeSysfs tree(TFakeSysfs::NoPorts);
    for (const auto& c : cases)
        tree.AddUsb(c.adapter, c.usbPort, c.node);
    const std::vector<TPortMapEntry> ports = ReadPortMapAt(tree.Dev(), tree.Sys());
    ASSERT_EQ(ports.size(), std::size(cases));
    std::set<std::string> descriptions;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.node);
        const TPortMapEntry* port = FindPort(ports, c.portName);
        ASSERT_TRUE(port);
        EXPECT_EQ(port->Path, tree.Node(c.node));
        EXPECT_EQ(port->Details.UsbPort, c.usbPort);
        EXPECT_EQ(port->Details.PortPath, tree.ByPath(c.usbPort));
        EXPECT_EQ(port->Details.StablePath, c.byId ? tree.ById(c.adapter) : "");
        const std::string description = DescribePort(*port);
        EXPECT_NE(description.find("USB port " + c.usbPort + ", "), std::string::npos) << description;
        EXPECT_NE(description.find(c.byId ? tree.ById(c.adapter) : tree.ByPath(c.usbPort)), std::string::npos)
            << description;
        descriptions.insert(description);
    }
    EXPECT_EQ(descriptions.size(), std::size(cases));
}

// Linux 6.5 and later put the serial core's devices between a UART's tty and its hardware: the driver named
// is the hardware's, not the core's "port" or "ctrl".
TEST(SysfsSerialCore, BuiltInPortNamesTheDriverBeyondTheSerialCore)
{
    TFakeSysfs tree(TFakeSysfs::NoPorts);
    tree.AddSerialCoreUart("ttyS0", "serial");
    const std::vector<TPortMapEntry> ports = ReadPortMapAt(tree.Dev(), tree.Sys());
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].PortName, "COM1");
    EXPECT_EQ(ports[0].Details.Kind, TPortKind::BuiltIn);
    EXPECT_EQ(ports[0].Details.Driver, "serial");
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
        {{"\\Device\\VCP4", "COM4", "/dev/ttyUSB1",
          {TPortKind::Usb, "1a86", "7523", "", "USB Serial", "", "ch341", "", "1-1.2", "/dev/serial/by-path/p"}},
         "USB Serial, 1a86:7523, driver ch341, USB port 1-1.2, /dev/serial/by-path/p"},
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
