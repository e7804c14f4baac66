// A made-up /dev and /sys with a built-in UART ttyS0 and two USB adapters: ttyUSB0 an FTDI FT232R with a
// serial number, ttyUSB1 a CP2102 without one; or an empty one that a test fills with its own ports. The
// device nodes are pseudo-terminals, so they are real character devices; the USB adapters have links under
// dev/serial/by-id (as udev makes them: one link per name, the last adapter wins) and dev/serial/by-path.
#pragma once

#include "ptypair.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

struct TFakeUsbAdapter {
    std::string VendorId, ProductId, Manufacturer, Product, SerialNumber, Driver, ById;
};

inline const TFakeUsbAdapter kFakeFtdi{"0403", "6001", "FTDI", "FT232R USB UART", "A12345", "ftdi_sio",
                                       "usb-FTDI_FT232R_USB_UART_A12345-if00-port0"};
inline const TFakeUsbAdapter kFakeCp210x{"10c4", "ea60", "Silicon Labs", "CP2102 USB to UART Bridge Controller", "",
                                         "cp210x", "usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller-if00-port0"};

class TFakeSysfs {
public:
    enum TContents { StandardPorts, NoPorts };

    explicit TFakeSysfs(TContents contents = StandardPorts)
        : root_(std::filesystem::temp_directory_path() / ("zentor-sysfs-" + std::to_string(::getpid()) + "-" +
                                                           std::to_string(reinterpret_cast<std::uintptr_t>(this))))
    {
        namespace fs = std::filesystem;
        fs::create_directories(root_ / "sys/class/tty");
        fs::create_directories(root_ / "dev/serial/by-id");
        fs::create_directories(root_ / "dev/serial/by-path");
        if (contents == NoPorts)
            return;
        const fs::path uartDriver = root_ / "sys/bus/platform/drivers/serial8250";
        const fs::path platform = root_ / "sys/devices/platform/serial8250";
        fs::create_directories(uartDriver);
        fs::create_directories(platform);
        fs::create_directory_symlink(uartDriver, platform / "driver");
        const fs::path uart = AddTty("ttyS0", platform / "tty", platform);
        Write(uart / "type", "4");
        AddUsb(kFakeFtdi, "1-1", "ttyUSB0");
        AddUsb(kFakeCp210x, "1-2", "ttyUSB1");
    }
    ~TFakeSysfs() { std::filesystem::remove_all(root_); }
    TFakeSysfs(const TFakeSysfs&) = delete;
    TFakeSysfs& operator=(const TFakeSysfs&) = delete;

    std::string Dev() const { return (root_ / "dev").string(); }
    std::string Sys() const { return (root_ / "sys").string(); }
    std::string Node(const std::string& name) const { return Dev() + "/" + name; }
    std::string ById(const TFakeUsbAdapter& adapter) const { return Dev() + "/serial/by-id/" + adapter.ById; }
    static std::string ByPathName(const std::string& usbName)
    {
        return "pci-0000:00:14.0-usb-0:" + usbName.substr(usbName.find('-') + 1) + ":1.0-port0";
    }
    std::string ByPath(const std::string& usbName) const { return Dev() + "/serial/by-path/" + ByPathName(usbName); }

    // A USB adapter plugged into the USB port usbName ("1-1.2") that shows as ttyName.
    void AddUsb(const TFakeUsbAdapter& adapter, const std::string& usbName, const std::string& ttyName)
    {
        namespace fs = std::filesystem;
        const fs::path usb = root_ / "sys/devices/pci0000:00/0000:00:14.0/usb1" / usbName;
        const fs::path port = usb / (usbName + ":1.0") / ttyName;
        const fs::path driver = root_ / "sys/bus/usb-serial/drivers" / adapter.Driver;
        fs::create_directories(port);
        fs::create_directories(driver);
        Write(usb / "idVendor", adapter.VendorId);
        Write(usb / "idProduct", adapter.ProductId);
        Write(usb / "manufacturer", adapter.Manufacturer);
        Write(usb / "product", adapter.Product);
        Write(usb / "serial", adapter.SerialNumber);
        fs::create_directory_symlink(driver, port / "driver");
        AddTty(ttyName, port / "tty", port);
        const fs::path byId = root_ / "dev/serial/by-id" / adapter.ById;
        fs::remove(byId);
        fs::create_symlink("../../" + ttyName, byId);
        fs::create_symlink("../../" + ttyName, root_ / "dev/serial/by-path" / ByPathName(usbName));
    }

    // A built-in UART as Linux 6.5 and later show it: the tty hangs below the serial core's controller and
    // port devices (bus serial-base, drivers "ctrl" and "port"), which hang below the device of driver.
    void AddSerialCoreUart(const std::string& ttyName, const std::string& driver)
    {
        namespace fs = std::filesystem;
        const fs::path device = root_ / "sys/devices/pnp0/00:01";
        const fs::path controller = device / "00:01:0";
        const fs::path port = controller / "00:01:0.0";
        fs::create_directories(port);
        BindDriver(device, root_ / "sys/bus/pnp/drivers" / driver);
        BindDriver(controller, root_ / "sys/bus/serial-base/drivers/ctrl");
        BindDriver(port, root_ / "sys/bus/serial-base/drivers/port");
        Write(AddTty(ttyName, port / "tty", port) / "type", "4");
    }

private:
    static void BindDriver(const std::filesystem::path& device, const std::filesystem::path& driver)
    {
        std::filesystem::create_directories(driver);
        std::filesystem::create_directory_symlink(driver, device / "driver");
    }

    static void Write(const std::filesystem::path& path, const std::string& text)
    {
        if (!text.empty())
            std::ofstream(path) << text << "\n";
    }

    // The tty's class folder under parent, its device link, its entry in class/tty and its node in dev.
    std::filesystem::path AddTty(const std::string& name, const std::filesystem::path& parent,
                                 const std::filesystem::path& device)
    {
        namespace fs = std::filesystem;
        const fs::path entry = parent / name;
        fs::create_directories(entry);
        fs::create_directory_symlink(device, entry / "device");
        fs::create_directory_symlink(entry, root_ / "sys/class/tty" / name);
        ptys_.push_back(std::make_unique<PtyPair>());
        fs::create_symlink(ptys_.back()->SlavePath(), root_ / "dev" / name);
        return entry;
    }

    std::filesystem::path root_;
    std::vector<std::unique_ptr<PtyPair>> ptys_;
};
