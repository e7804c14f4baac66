// The port map's texts shared by every system: port numbers, kinds and the one-line description.
#include "platform/portmap.h"

#include <charconv>

namespace platform {

namespace {

void Append(std::string& text, const std::string& part)
{
    if (part.empty())
        return;
    if (!text.empty())
        text += ", ";
    text += part;
}

std::string Joined(const std::string& a, const std::string& b)
{
    return a.empty() || b.empty() ? a + b : a + " " + b;
}

// What the port is called first: the adapter's own name, or else the device name.
std::string Head(const TPortMapEntry& entry, const TPortWords& words)
{
    const TPortDetails& details = entry.Details;
    if (details.Kind == TPortKind::PseudoTerminal)
        return words.PseudoTerminal;
    const std::string name = Joined(details.Manufacturer, details.Product);
    return details.Kind == TPortKind::Usb && !name.empty() ? name : entry.DeviceName;
}

} // namespace

const TPortWords kEnglishPortWords{"pseudo-terminal", "serial", "driver", "USB port"};

std::optional<int> ComNumberOf(const std::string& portName)
{
    if (!portName.starts_with("COM") || portName.size() < 4 || portName[3] == '0')
        return std::nullopt;
    int number = 0;
    const char* end = portName.data() + portName.size();
    const auto [stop, error] = std::from_chars(portName.data() + 3, end, number);
    if (error != std::errc() || stop != end || number < kMinComNumber || number > kMaxComNumber)
        return std::nullopt;
    return number;
}

const char* PortKindText(TPortKind kind)
{
    switch (kind) {
    case TPortKind::Usb: return "usb";
    case TPortKind::BuiltIn: return "serial";
    case TPortKind::PseudoTerminal: return "pty";
    case TPortKind::Unknown: break;
    }
    return "-";
}

std::string DescribePort(const TPortMapEntry& entry, const TPortWords& words)
{
    const TPortDetails& details = entry.Details;
    std::string text = Head(entry, words);
    if (!details.VendorId.empty() && !details.ProductId.empty())
        Append(text, details.VendorId + ":" + details.ProductId);
    if (!details.SerialNumber.empty())
        Append(text, words.Serial + (" " + details.SerialNumber));
    if (!details.Driver.empty())
        Append(text, words.Driver + (" " + details.Driver));
    if (!details.UsbPort.empty())
        Append(text, words.UsbPort + (" " + details.UsbPort));
    Append(text, details.StablePath.empty() ? details.PortPath : details.StablePath);
    return text;
}

} // namespace platform
