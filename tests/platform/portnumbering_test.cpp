#include "platform/posix/portnumbering.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

TNodeFacts Node(const std::string& series, int index, bool usable = true)
{
    const bool usb = series != "ttyS";
    return {series, index, true, usable, usb, "/dev/" + series + std::to_string(index)};
}

TNodeFacts Missing(const std::string& series, int index)
{
    return {series, index, false, false, series != "ttyS", "/dev/" + series + std::to_string(index)};
}

TComLink Link(int number, const std::string& target, TPortKind kind)
{
    TComLink link{number, target, {}, -1};
    link.Details.Kind = kind;
    return link;
}

std::vector<std::string> Names(const std::vector<TPortMapEntry>& ports)
{
    std::vector<std::string> names;
    for (const TPortMapEntry& port : ports)
        names.push_back(port.PortName + "=" + port.DeviceName + "@" + port.Path);
    return names;
}

} // namespace

TEST(PortNumbering, SeriesTakeNumbersInOrderAndPhantomsAreNotListed)
{
    const std::vector<TNodeFacts> nodes = {
        Node("ttyS", 0), Node("ttyS", 1, false), Node("ttyS", 2), Missing("ttyS", 3),
        Node("ttyUSB", 0), Node("ttyUSB", 1), Missing("ttyUSB", 2),
        Node("ttyACM", 0), Missing("ttyACM", 1),
    };
    const TNumbering numbering = NumberPorts(nodes, {});
    EXPECT_EQ(Names(numbering.Ports), (std::vector<std::string>{
        "COM1=\\Device\\Serial0@/dev/ttyS0", "COM3=\\Device\\Serial2@/dev/ttyS2",
        "COM4=\\Device\\VCP4@/dev/ttyUSB0", "COM5=\\Device\\VCP5@/dev/ttyUSB1", "COM6=\\Device\\VCP6@/dev/ttyACM0"}));
    EXPECT_EQ(numbering.Taken, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(PortNumbering, MissingNodeInsideASeriesKeepsItsNumberFree)
{
    // ttyUSB1 is unplugged: ttyUSB2 keeps COM3 and ttyACM0 COM4; a series with only a high node counts up to it.
    const std::vector<TNodeFacts> nodes = {
        Missing("ttyS", 0), Node("ttyUSB", 0), Missing("ttyUSB", 1), Node("ttyUSB", 2), Node("ttyACM", 0),
    };
    const TNumbering numbering = NumberPorts(nodes, {});
    EXPECT_EQ(Names(numbering.Ports), (std::vector<std::string>{
        "COM1=\\Device\\VCP1@/dev/ttyUSB0", "COM3=\\Device\\VCP3@/dev/ttyUSB2", "COM4=\\Device\\VCP4@/dev/ttyACM0"}));
    EXPECT_EQ(numbering.Taken, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Names(NumberPorts({Node("ttyUSB", 1)}, {}).Ports),
              (std::vector<std::string>{"COM2=\\Device\\VCP2@/dev/ttyUSB1"}));
}

TEST(PortNumbering, LinksPinTheirNumbersAndOthersSkipThem)
{
    const std::vector<TNodeFacts> nodes = {Node("ttyS", 0), Node("ttyS", 1), Node("ttyUSB", 0), Missing("ttyUSB", 1)};
    const std::vector<TComLink> links = {Link(2, "/dev/pts/7", TPortKind::PseudoTerminal),
                                         Link(3, "/dev/pts/9", TPortKind::PseudoTerminal)};
    const TNumbering numbering = NumberPorts(nodes, links);
    EXPECT_EQ(Names(numbering.Ports), (std::vector<std::string>{
        "COM1=\\Device\\Serial0@/dev/ttyS0", "COM2=\\Device\\VCP2@/dev/pts/7", "COM3=\\Device\\VCP3@/dev/pts/9",
        "COM4=\\Device\\Serial1@/dev/ttyS1", "COM5=\\Device\\VCP5@/dev/ttyUSB0"}));
    EXPECT_EQ(numbering.Taken, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(PortNumbering, NodePinnedByALinkIsListedOnlyUnderItsLink)
{
    const std::vector<TNodeFacts> nodes = {Node("ttyUSB", 0), Node("ttyUSB", 1), Missing("ttyUSB", 2)};
    const TNumbering numbering = NumberPorts(nodes, {Link(7, "/dev/ttyUSB0", TPortKind::Usb)});
    EXPECT_EQ(Names(numbering.Ports), (std::vector<std::string>{
        "COM2=\\Device\\VCP2@/dev/ttyUSB1", "COM7=\\Device\\VCP7@/dev/ttyUSB0"}));
    EXPECT_EQ(numbering.Taken, (std::vector<int>{1, 2, 7}));
}

TEST(PortNumbering, NothingPresentGivesAnEmptyMap)
{
    const TNumbering numbering = NumberPorts({Missing("ttyS", 0), Missing("ttyUSB", 0)}, {});
    EXPECT_TRUE(numbering.Ports.empty());
    EXPECT_TRUE(numbering.Taken.empty());
}

TEST(PortNumbering, LinksAreNamedAfterWhatTheirTargetIs)
{
    TComLink uart = Link(9, "/dev/ttyS0", TPortKind::BuiltIn);
    uart.Index = 0;
    const std::vector<TComLink> links = {
        uart, Link(10, "/dev/ttyUSB3", TPortKind::Usb), Link(11, "/dev/pts/4", TPortKind::PseudoTerminal),
        Link(12, "/dev/ttyAMA0", TPortKind::BuiltIn), Link(13, "/dev/odd", TPortKind::Unknown),
    };
    EXPECT_EQ(Names(NumberPorts({}, links).Ports), (std::vector<std::string>{
        "COM9=\\Device\\Serial0@/dev/ttyS0", "COM10=\\Device\\VCP10@/dev/ttyUSB3", "COM11=\\Device\\VCP11@/dev/pts/4",
        "COM12=\\Device\\Serial12@/dev/ttyAMA0", "COM13=\\Device\\Serial13@/dev/odd"}));
}

TEST(PortNumbering, NodesBeyondCom255TakeNumbersButAreNotListed)
{
    std::vector<TNodeFacts> nodes;
    for (int index = 0; index < 257; ++index)
        nodes.push_back(Node("ttyUSB", index));
    const TNumbering numbering = NumberPorts(nodes, {});
    EXPECT_EQ(numbering.Ports.size(), 255u);
    EXPECT_EQ(numbering.Ports.back().PortName, "COM255");
}
