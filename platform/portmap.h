// The machine's serial ports as pairs of a device name and a port name "COM<n>", and the COM links
// (symbolic links COM<n> in the program's dosdevices folder) that pin a port number to a device node.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// COM numbers a port may have; the port map lists no other.
constexpr int kMinComNumber = 1;
constexpr int kMaxComNumber = 255;

enum class TPortKind { Unknown, BuiltIn, Usb, PseudoTerminal };

// What the system tells about a port without opening it. Texts the system does not give stay empty.
struct TPortDetails {
    TPortKind Kind = TPortKind::Unknown;
    std::string VendorId{};     // USB vendor id, four hexadecimal digits ("0403")
    std::string ProductId{};    // USB product id ("6001")
    std::string Manufacturer{}; // as the adapter names itself ("FTDI")
    std::string Product{};      // "FT232R USB UART"
    std::string SerialNumber{}; // the adapter's serial number, where it has one
    std::string Driver{};       // the kernel driver ("ftdi_sio", "serial8250")
    std::string StablePath{};   // the node's link under /dev/serial/by-id/
    std::string UsbPort{};      // where the adapter is plugged in: the USB bus and port chain ("1-1.2")
    std::string PortPath{};     // the node's link under /dev/serial/by-path/
};

struct TPortMapEntry {
    std::string DeviceName; // "\Device\Serial<k>" for built-in ports, "\Device\VCP<k>" for USB adapters and ptys
    std::string PortName;   // "COM<n>"
    std::string Path;       // the device node
    TPortDetails Details{};
};

// Every present port, links included.
std::vector<TPortMapEntry> ReadPortMap();

// The number of a port name "COM<n>" (n from kMinComNumber to kMaxComNumber, without leading zeros), or nothing.
std::optional<int> ComNumberOf(const std::string& portName);

// "usb", "serial" (a built-in UART), "pty" (a pseudo-terminal) or "-".
const char* PortKindText(TPortKind kind);

// The words of a port's description, so that each program can give them in its own language.
struct TPortWords {
    const char* PseudoTerminal;
    const char* Serial;  // before the adapter's serial number
    const char* Driver;
    const char* UsbPort; // before the USB port path
};
extern const TPortWords kEnglishPortWords;

// One line that tells the port apart from others, twin adapters included, e.g.
// "FTDI FT232R USB UART, 0403:6001, serial A12345, driver ftdi_sio, USB port 1-1.2, /dev/serial/by-id/usb-FTDI_...".
// The stable link is the by-id one, or the by-path one where the node has no by-id link of its own.
std::string DescribePort(const TPortMapEntry& entry, const TPortWords& words = kEnglishPortWords);

// Why the links of the dosdevices folder are not read, with the command that fixes it; empty when they are
// (always on Windows, where the system keeps the map).
std::string LinkFolderProblem();

// What a user who may not open COM<number> can do about it: the port's device node, the group that may open
// it, and the command that adds the user to that group. All empty where the system has no such fix (Windows).
struct TPermissionFix {
    std::string Node;
    std::string Group;
    std::string Command; // "sudo usermod -aG dialout $USER"; the user must log in again afterwards
};
TPermissionFix PermissionFix(int number);

// The rest exists where ports are device nodes (POSIX); on Windows the system keeps the map.

// $XDG_RUNTIME_DIR/zentor/dosdevices, or /tmp/zentor-<uid>/dosdevices; created with mode 0700.
std::string DosDevicesDir();

// The device node of COM<number>, or nothing when no such port is present.
std::optional<std::string> ResolveComPort(int number);

// A link to a pseudo-terminal names a port only while the process that made it lives: registering a link
// holds a lock beside it (COM<n>.lock) until the link is unregistered or the process ends.

// Pins COM<number> to target through a link in the dosdevices folder, replacing an earlier link; false when
// another process holds the number.
bool RegisterComLink(int number, const std::string& target);
// Links target under the lowest number that no port, phantom or link uses; returns it, or 0 on failure.
int RegisterFreeComLink(const std::string& target);
// Pins COM<number> to target unless a live link stands there already (a link whose target is gone, is no
// serial device, or is a pseudo-terminal no process holds, is replaced). When refused, holder is the standing
// link's target.
bool ClaimComLink(int number, const std::string& target, std::string& holder);
void UnregisterComLink(int number);
// Removes the link of COM<number> only while it still points to target.
void UnregisterComLink(int number, const std::string& target);

} // namespace platform
