// The COM numbering rule, kept apart from the file system so tests can check it on made-up machines.
#pragma once

#include "platform/portmap.h"

#include <string>
#include <vector>

namespace platform {

// What the scan found about one device node of a series (ttyS, ttyUSB, ttyACM).
struct TNodeFacts {
    std::string Series; // "ttyS", "ttyUSB", "ttyACM"
    int Index = 0;      // k of /dev/<Series><k>
    bool Present = false;
    bool Usable = false; // a real port: not virtual, has a driver, not a phantom ttyS
    bool Usb = false;
    std::string Path;
    TPortDetails Details{}; // what sysfs tells about the node
};

// A link COM<Number> in the dosdevices folder whose target exists; Target is the resolved path. Details tell
// what the target is; Index is k of a built-in port /dev/ttyS<k>, or -1.
struct TComLink {
    int Number = 0;
    std::string Target;
    TPortDetails Details{};
    int Index = -1;
};

struct TNumbering {
    std::vector<TPortMapEntry> Ports; // listed ports, by number
    std::vector<int> Taken;           // every number in use, phantoms included, ascending
};

// The present nodes of every series under devRoot ("/dev") and the missing ones below them, judged by the drivers' attributes under sysRoot ("/sys"):
// a node is usable when it is not virtual, is bound to a driver and, for a built-in port, is a UART by the
// driver's "type" attribute. No node is opened, except a built-in port whose driver lacks that attribute.
// (Defined with the port map.)
std::vector<TNodeFacts> ScanSerialNodes(const std::string& devRoot, const std::string& sysRoot);

// The port map of the machine whose device nodes are under devRoot and whose sysfs is under sysRoot, with the
// links of the dosdevices folder. (Defined with the port map.)
std::vector<TPortMapEntry> ReadPortMapAt(const std::string& devRoot, const std::string& sysRoot);

// The series take the numbers 1, 2, 3 ... in the order they first appear in nodes, each counted from
// index 0 up to its highest present node; numbers pinned by links are skipped. A node that is missing below
// the highest one keeps its number free, so the adapters above it keep theirs while it is unplugged. A node
// that is not usable, or that a link already names, takes its number but is not listed. Built-in ports are named
// "\Device\Serial<k>"; USB adapters and pseudo-terminals "\Device\VCP<n>" after their COM number, which keeps
// every device name unique. A link is named after its target; other targets are "\Device\Serial<n>".
TNumbering NumberPorts(const std::vector<TNodeFacts>& nodes, const std::vector<TComLink>& links);

} // namespace platform
