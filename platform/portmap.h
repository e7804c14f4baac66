// The machine's serial ports as pairs of a device name and a port name "COM<n>", and the COM links
// (symbolic links COM<n> in the program's dosdevices folder) that pin a port number to a device node.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

struct TPortMapEntry {
    std::string DeviceName; // "\Device\Serial<k>" for built-in ports, "\Device\VCP<k>" for USB adapters and links
    std::string PortName;   // "COM<n>"
    std::string Path;       // the device node
};

// Every present port, links included.
std::vector<TPortMapEntry> ReadPortMap();

// The rest exists where ports are device nodes (POSIX); on Windows the system keeps the map.

// $XDG_RUNTIME_DIR/zentor/dosdevices, or /tmp/zentor-<uid>/dosdevices; created with mode 0700.
std::string DosDevicesDir();

// The device node of COM<number>, or nothing when no such port is present.
std::optional<std::string> ResolveComPort(int number);

// Pins COM<number> to target through a link in the dosdevices folder, replacing an earlier link.
bool RegisterComLink(int number, const std::string& target);
// Links target under the lowest number that no port, phantom or link uses; returns it, or 0 on failure.
int RegisterFreeComLink(const std::string& target);
// Pins COM<number> to target unless a link to a serial device stands there already (a link whose target is
// gone or is no serial device is replaced). When refused, holder is the standing link's target.
bool ClaimComLink(int number, const std::string& target, std::string& holder);
void UnregisterComLink(int number);
// Removes the link of COM<number> only while it still points to target.
void UnregisterComLink(int number, const std::string& target);

} // namespace platform
