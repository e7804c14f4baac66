// The machine's serial ports as the port combo lists them: one record per (device name, port name) pair of
// the port map, split into their letter and number parts and sorted by port number.
#pragma once

#include "platform/portmap.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct TComPortInfo {
    std::string NameText;      // letters of the port name ("COM" of "COM5")
    std::int32_t Number = 1;   // digits of the port name; 1 when they are not a decimal number
    std::string DeviceText;    // letters of the device name ("\Device\VCP" of "\Device\VCP0")
    std::int32_t DeviceNumber = 0; // digits of the device name; 0 when they are not a decimal number
    std::string Description{}; // what the system tells about the port, shown as the item's tool tip

    // USB virtual COM ports carry the handheld-device icon in the port combo.
    bool IsVirtualPort() const { return DeviceText == "\\Device\\VCP"; }
};

using TComPortList = std::vector<TComPortInfo>;

// Splits text at its last boundary between a decimal digit and any other character, after trimming the
// characters 0 to 32 at both ends: "COM12" gives ("COM", "12"), "12AB" gives ("AB", "12").
// Result: letters first, digits second.
std::pair<std::string, std::string> SplitDigits(const std::string& text);

// The record of one pair; pairs whose names are empty or blank yield nothing.
bool MakeComPortInfo(const std::string& deviceName, const std::string& portName, TComPortInfo& info);

// One port as the system names it: device name, port name, and its description.
struct TPortNames {
    std::string DeviceName;
    std::string PortName;
    std::string Description;
};

// Rebuilds list from the given ports, walking them from last to first, and sorts it by Number.
void FillComPortList(TComPortList& list, const std::vector<TPortNames>& ports);
// The same from pairs (device name, port name) without descriptions.
void FillComPortList(TComPortList& list, const std::vector<std::pair<std::string, std::string>>& pairs);

// An item's tool tip: the port's description in the window's language, and its device node. Ids, names and
// paths stay as the system gives them.
std::string PortToolTip(const platform::TPortMapEntry& entry);

// Rebuilds list from the machine's port map.
void EnumerateComPorts(TComPortList& list);
