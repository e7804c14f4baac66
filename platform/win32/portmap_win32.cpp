// The port map from the registry key that Windows fills with the machine's serial ports: each value name
// is a device name ("\Device\Serial0"), its text data the port name ("COM1").
#include "platform/portmap.h"

#include <windows.h>

#include <memory>
#include <string_view>
#include <type_traits>

namespace platform {

namespace {

constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

struct TKeyCloser {
    void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using TKey = std::unique_ptr<std::remove_pointer_t<HKEY>, TKeyCloser>;

// The key opened for reading, never created; empty when it is missing or not readable.
TKey OpenSerialCommKey()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return TKey();
    return TKey(key);
}

struct TValueSizes {
    DWORD Count = 0;
    DWORD NameLength = 0; // without the terminating zero
    DWORD DataBytes = 0;
};

bool QueryValueSizes(HKEY key, TValueSizes& sizes)
{
    return ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &sizes.Count,
                              &sizes.NameLength, &sizes.DataBytes, nullptr, nullptr) == ERROR_SUCCESS;
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// All the registry tells about a port is its device name: "\Device\VCP<k>" is a USB virtual COM port,
// "\Device\Serial<k>" a built-in one; other drivers choose names of their own.
TPortKind KindOfDevice(const std::string& deviceName)
{
    const auto numbered = [&](std::string_view prefix) {
        return deviceName.size() > prefix.size() && deviceName.starts_with(prefix)
            && deviceName.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
    };
    if (numbered("\\Device\\VCP"))
        return TPortKind::Usb;
    return numbered("\\Device\\Serial") ? TPortKind::BuiltIn : TPortKind::Unknown;
}

// Registry text may or may not carry its terminating zero.
std::string TextOf(const std::string& data, DWORD bytes)
{
    std::string text = data.substr(0, bytes);
    return text.substr(0, text.find('\0'));
}

// Value index of the key as a (device name, port name) pair; nothing for a value that is not text.
std::optional<TPortMapEntry> ReadValue(HKEY key, DWORD index, const TValueSizes& sizes)
{
    std::string name(sizes.NameLength + 1, '\0');
    std::string data(sizes.DataBytes + 1, '\0');
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataBytes = sizes.DataBytes;
    DWORD type = 0;
    if (::RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type,
                        reinterpret_cast<BYTE*>(data.data()), &dataBytes) != ERROR_SUCCESS || !IsText(type))
        return std::nullopt;
    const std::string port = TextOf(data, dataBytes);
    const std::string device = name.substr(0, nameLength);
    TPortMapEntry entry{device, port, "\\\\.\\" + port, {}};
    entry.Details.Kind = KindOfDevice(device);
    return entry;
}

} // namespace

std::string LinkFolderProblem()
{
    return {};
}

TPermissionFix PermissionFix(int)
{
    return {};
}

std::vector<TPortMapEntry> ReadPortMap()
{
    std::vector<TPortMapEntry> entries;
    const TKey key = OpenSerialCommKey();
    TValueSizes sizes;
    if (!key || !QueryValueSizes(key.get(), sizes))
        return entries;
    for (DWORD index = 0; index < sizes.Count; ++index)
        if (auto entry = ReadValue(key.get(), index, sizes))
            entries.push_back(*entry);
    return entries;
}

} // namespace platform
