#include "tools/zentorctl/portsreport.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace zentorctl {

namespace {

using platform::TPortMapEntry;

// A JSON text, or null for a text the system does not give.
std::string JsonTextOrNull(const std::string& text)
{
    return text.empty() ? "null" : JsonString(text);
}

std::string JsonPort(int number, const TPortMapEntry& entry)
{
    const platform::TPortDetails& details = entry.Details;
    return "{\"number\":" + std::to_string(number) + ",\"kind\":\"" + platform::PortKindText(details.Kind) +
           "\",\"usb\":" + (details.Kind == platform::TPortKind::Usb ? "true" : "false") +
           ",\"path\":" + JsonString(entry.Path) + ",\"device\":" + JsonString(entry.DeviceName) +
           ",\"description\":" + JsonString(platform::DescribePort(entry)) +
           ",\"vendor_id\":" + JsonTextOrNull(details.VendorId) + ",\"product_id\":" + JsonTextOrNull(details.ProductId) +
           ",\"manufacturer\":" + JsonTextOrNull(details.Manufacturer) + ",\"product\":" + JsonTextOrNull(details.Product) +
           ",\"serial_number\":" + JsonTextOrNull(details.SerialNumber) + ",\"driver\":" + JsonTextOrNull(details.Driver) +
           ",\"by_id\":" + JsonTextOrNull(details.StablePath) + ",\"usb_port\":" + JsonTextOrNull(details.UsbPort) +
           ",\"by_path\":" + JsonTextOrNull(details.PortPath) + "}";
}

// Tabs and line ends inside a field would break the columns.
std::string Field(std::string text)
{
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::string TextPort(int number, const TPortMapEntry& entry)
{
    return std::to_string(number) + "\t" + platform::PortKindText(entry.Details.Kind) + "\t" + Field(entry.Path) +
           "\t" + Field(platform::DescribePort(entry)) + "\n";
}

std::vector<std::pair<int, const TPortMapEntry*>> Numbered(const std::vector<TPortMapEntry>& ports)
{
    std::vector<std::pair<int, const TPortMapEntry*>> numbered;
    for (const TPortMapEntry& entry : ports)
        if (const std::optional<int> number = platform::ComNumberOf(entry.PortName))
            numbered.emplace_back(*number, &entry);
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return numbered;
}

} // namespace

TReport ReportPorts(const std::vector<TPortMapEntry>& ports, bool json)
{
    TReport report;
    std::string list;
    for (const auto& [number, entry] : Numbered(ports))
        list += json ? std::string(list.empty() ? "" : ",") + JsonPort(number, *entry) : TextPort(number, *entry);
    report.Out = json ? "{\"command\":\"ports\",\"ports\":[" + list + "],\"exit\":0}\n" : list;
    return report;
}

void AddLinkFolderWarning(TReport& report, const std::string& problem, bool json)
{
    if (problem.empty())
        return;
    const std::size_t objectEnd = report.Out.rfind('}');
    if (json && objectEnd != std::string::npos)
        report.Out.insert(objectEnd, ",\"warning\":" + JsonString(problem));
    else
        report.Err.insert(0, "zentorctl: " + problem + "\n");
}

} // namespace zentorctl
