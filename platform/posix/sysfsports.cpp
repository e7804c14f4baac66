#include "platform/posix/sysfsports.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace platform {

namespace {

namespace fs = std::filesystem;

std::string RealPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// The first line of a sysfs attribute, without its line end; empty when there is none.
std::string Attribute(const std::string& folder, const char* name)
{
    std::ifstream file(folder + "/" + name);
    std::string line;
    std::getline(file, line);
    return line;
}

// The USB device above the tty's device: the first folder up the tree that has an idVendor attribute.
std::string UsbDeviceFolder(const std::string& device, const std::string& sysRoot)
{
    const std::string devices = RealPath(sysRoot + "/devices");
    if (devices.empty())
        return {};
    for (fs::path folder = device; folder.string().starts_with(devices + "/"); folder = folder.parent_path())
        if (::access((folder / "idVendor").c_str(), R_OK) == 0)
            return folder.string();
    return {};
}

// The link under devRoot/serial/<kind> ("by-id", "by-path") that leads to the node.
std::string StableLink(const std::string& node, const std::string& devRoot, const char* kind)
{
    const std::string folder = devRoot + "/serial/" + kind;
    const std::string target = RealPath(node);
    const auto closeDir = [](DIR* d) { ::closedir(d); };
    std::unique_ptr<DIR, decltype(closeDir)> dir(::opendir(folder.c_str()), closeDir);
    while (dir && !target.empty()) {
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            break;
        const std::string link = folder + "/" + entry->d_name;
        if (entry->d_name[0] != '.' && RealPath(link) == target)
            return link;
    }
    return {};
}

// Since Linux 6.5 a UART's tty hangs below devices of the serial core, whose bus drivers ("port", "ctrl") say
// nothing about the hardware.
bool SerialCoreDriver(const fs::path& driver)
{
    return driver.parent_path().parent_path().filename() == "serial-base";
}

// The name of the driver that serves the device: its own, or the first one above it that is not the serial
// core's; empty when the device itself has none.
std::string DriverName(const std::string& device, const std::string& sysRoot)
{
    if (device.empty() || RealPath(device + "/driver").empty())
        return {};
    const std::string devices = RealPath(sysRoot + "/devices");
    for (fs::path folder = device; folder.string().starts_with(devices + "/"); folder = folder.parent_path()) {
        const fs::path driver = RealPath((folder / "driver").string());
        if (!driver.empty() && !SerialCoreDriver(driver))
            return driver.filename().string();
    }
    return {};
}

void ReadUsbIdentity(const std::string& usb, TPortDetails& details)
{
    details.UsbPort = fs::path(usb).filename().string();
    details.VendorId = Attribute(usb, "idVendor");
    details.ProductId = Attribute(usb, "idProduct");
    details.Manufacturer = Attribute(usb, "manufacturer");
    details.Product = Attribute(usb, "product");
    details.SerialNumber = Attribute(usb, "serial");
}

} // namespace

TPortDetails ReadTtyDetails(const std::string& name, const std::string& node, const std::string& devRoot,
                            const std::string& sysRoot, bool usbSeries)
{
    TPortDetails details;
    const std::string device = RealPath(sysRoot + "/class/tty/" + name + "/device");
    details.Driver = DriverName(device, sysRoot);
    const std::string usb = device.empty() ? std::string() : UsbDeviceFolder(device, sysRoot);
    details.Kind = usbSeries || !usb.empty() ? TPortKind::Usb : TPortKind::BuiltIn;
    if (!usb.empty())
        ReadUsbIdentity(usb, details);
    if (details.Kind == TPortKind::Usb) {
        details.StablePath = StableLink(node, devRoot, "by-id");
        details.PortPath = StableLink(node, devRoot, "by-path");
    }
    return details;
}

} // namespace platform
