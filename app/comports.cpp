#include "app/comports.h"

#include <algorithm>
#include <charconv>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string Trimmed(const std::string& text)
{
    const auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

// The text as a plain decimal number, or fallback when it is not one (or does not fit 32 bits).
std::int32_t DecimalOr(const std::string& text, std::int32_t fallback)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit))
        return fallback;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : fallback;
}

const platform::TPortWords kRussianPortWords{"псевдотерминал", "серийный номер", "драйвер", "USB-порт"};

} // namespace

std::pair<std::string, std::string> SplitDigits(const std::string& text)
{
    const std::string trimmed = Trimmed(text);
    if (trimmed.empty())
        return {};
    const bool endsInDigit = IsDigit(trimmed.back());
    std::size_t p = trimmed.size();
    while (p > 0 && IsDigit(trimmed[p - 1]) == endsInDigit)
        --p;
    const std::string head = trimmed.substr(0, p);
    const std::string tail = trimmed.substr(p);
    return endsInDigit ? std::pair{head, tail} : std::pair{tail, head};
}

bool MakeComPortInfo(const std::string& deviceName, const std::string& portName, TComPortInfo& info)
{
    if (Trimmed(deviceName).empty() || Trimmed(portName).empty())
        return false;
    const auto [portLetters, portDigits] = SplitDigits(portName);
    const auto [deviceLetters, deviceDigits] = SplitDigits(deviceName);
    info = {portLetters, DecimalOr(portDigits, 1), deviceLetters, DecimalOr(deviceDigits, 0)};
    return true;
}

void FillComPortList(TComPortList& list, const std::vector<TPortNames>& ports)
{
    list.clear();
    for (auto port = ports.rbegin(); port != ports.rend(); ++port) {
        TComPortInfo info;
        if (!MakeComPortInfo(port->DeviceName, port->PortName, info))
            continue;
        info.Description = port->Description;
        list.push_back(info);
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const TComPortInfo& a, const TComPortInfo& b) { return a.Number < b.Number; });
}

void FillComPortList(TComPortList& list, const std::vector<std::pair<std::string, std::string>>& pairs)
{
    std::vector<TPortNames> ports;
    for (const auto& [device, port] : pairs)
        ports.push_back({device, port, {}});
    FillComPortList(list, ports);
}

std::string PortToolTip(const platform::TPortMapEntry& entry)
{
    return platform::DescribePort(entry, kRussianPortWords) + ", устройство " + entry.Path;
}

void EnumerateComPorts(TComPortList& list)
{
    std::vector<TPortNames> ports;
    for (const platform::TPortMapEntry& entry : platform::ReadPortMap())
        ports.push_back({entry.DeviceName, entry.PortName, PortToolTip(entry)});
    FillComPortList(list, ports);
}
