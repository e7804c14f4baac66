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

const TNodeFacts* FindNode(const std::vector<TNodeFacts>& nodes, const std::string& series, int index)
{
    for (const TNodeFacts& node : nodes)
        if (node.Series == series && node.Index == index)
            return &node;
    return nullptr;
}

// The nodes of one series from index 0 up to the first one that is not present.
std::vector<const TNodeFacts*> PresentRun(const std::vector<TNodeFacts>& nodes, const std::string& series)
{
    std::vector<const TNodeFacts*> run;
    for (int index = 0;; ++index) {
        const TNodeFacts* node = FindNode(nodes, series, index);
        if (!node || !node->Present)
            return run;
        run.push_back(node);
    }
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
        for (const TNodeFacts* node : PresentRun(nodes, series)) {
            while (taken.count(next))
                ++next;
            taken.insert(next);
            if (node->Usable && !Linked(links, node->Path) && next <= kMaxComNumber)
                listed[next] = NodeEntry(*node, next);
        }
    }
    TNumbering result;
    for (auto& [number, entry] : listed)
        result.Ports.push_back(std::move(entry));
    result.Taken.assign(taken.begin(), taken.end());
    return result;
}

} // namespace platform
