#include "platform/posix/portnumbering.h"

#include <algorithm>
#include <map>
#include <set>

namespace platform {

namespace {

std::vector<std::string> SeriesInOrder(const std::vector<TNodeFacts>& nodes)
{
    std::vector<std::string> series;
    for (const TNodeFacts& node : nodes)
        if (std::find(series.begin(), series.end(), node.Series) == series.end())
            series.push_back(node.Series);
    return series;
}

using TSeriesNodes = std::map<int, const TNodeFacts*>;

// The present nodes of one series by index.
TSeriesNodes PresentNodes(const std::vector<TNodeFacts>& nodes, const std::string& series)
{
    TSeriesNodes present;
    for (const TNodeFacts& node : nodes)
        if (node.Series == series && node.Present)
            present[node.Index] = &node;
    return present;
}

TPortMapEntry NodeEntry(const TNodeFacts& node, int number)
{
    const std::string device = node.Usb ? "\\Device\\VCP" + std::to_string(number)
                                        : "\\Device\\Serial" + std::to_string(node.Index);
    return {device, "COM" + std::to_string(number), node.Path, node.Details};
}

std::string LinkDeviceName(const TComLink& link)
{
    switch (link.Details.Kind) {
    case TPortKind::Usb:
    case TPortKind::PseudoTerminal:
        return "\\Device\\VCP" + std::to_string(link.Number);
    case TPortKind::BuiltIn:
        if (link.Index >= 0)
            return "\\Device\\Serial" + std::to_string(link.Index);
        break;
    case TPortKind::Unknown:
        break;
    }
    return "\\Device\\Serial" + std::to_string(link.Number);
}

TPortMapEntry LinkEntry(const TComLink& link)
{
    return {LinkDeviceName(link), "COM" + std::to_string(link.Number), link.Target, link.Details};
}

bool Linked(const std::vector<TComLink>& links, const std::string& path)
{
    return std::any_of(links.begin(), links.end(), [&](const TComLink& link) { return link.Target == path; });
}

} // namespace

TNumbering NumberPorts(const std::vector<TNodeFacts>& nodes, const std::vector<TComLink>& links)
{
    std::map<int, TPortMapEntry> listed;
    std::set<int> taken;
    for (const TComLink& link : links)
        if (taken.insert(link.Number).second)
            listed[link.Number] = LinkEntry(link);
    int next = 1;
    for (const std::string& series : SeriesInOrder(nodes)) {
        const TSeriesNodes present = PresentNodes(nodes, series);
        const int count = present.empty() ? 0 : present.rbegin()->first + 1;
        for (int index = 0; index < count; ++index) {
            while (taken.count(next))
                ++next;
            taken.insert(next);
            const auto node = present.find(index);
            if (node != present.end() && node->second->Usable && !Linked(links, node->second->Path) &&
                next <= kMaxComNumber)
                listed[next] = NodeEntry(*node->second, next);
        }
    }
    TNumbering result;
    for (auto& [number, entry] : listed)
        result.Ports.push_back(std::move(entry));
    result.Taken.assign(taken.begin(), taken.end());
    return result;
}

} // namespace platform
