#include "app/comports.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct SplitCase {
    const char* name;
    const char* text;
    const char* letters;
    const char* digits;
};

// Prints a case by its name, in failure messages and in the test list, instead of its bytes.
void PrintTo(const SplitCase& c, std::ostream* out)
{
    *out << c.name;
}

class SplitDigitsTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitDigitsTest, SplitsAtTheLastDigitBoundary)
{
    const auto [letters, digits] = SplitDigits(GetParam().text);
    EXPECT_EQ(letters, GetParam().letters);
    EXPECT_EQ(digits, GetParam().digits);
}

INSTANTIATE_TEST_SUITE_P(Texts, SplitDigitsTest,
                         testing::Values(SplitCase{"PortName", "COM12", "COM", "12"},
                                         SplitCase{"DevicePath", "\\Device\\VCP0", "\\Device\\VCP", "0"},
                                         SplitCase{"NoDigits", "COM", "COM", ""}, SplitCase{"DigitsFirst", "12AB", "AB", "12"},
                                         SplitCase{"BlanksAround", " \tCOM7\r\n", "COM", "7"},
                                         SplitCase{"DigitInsideLetters", "A1B2", "A1B", "2"},
                                         SplitCase{"DigitsOnly", "7", "", "7"}, SplitCase{"BlanksOnly", "   ", "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

using Pairs = std::vector<std::pair<std::string, std::string>>;

std::vector<int> Numbers(const TComPortList& list)
{
    std::vector<int> numbers;
    for (const TComPortInfo& port : list)
        numbers.push_back(port.Number);
    return numbers;
}

TEST(ComPortList, SortsByNumberAndMarksVirtualPortsOnly)
{
    TComPortList list;
    FillComPortList(list, Pairs{{"\\Device\\Serial0", "COM1"}, {"\\Device\\VCP0", "COM5"}, {"\\Device\\Serial1", "COM3"},
                                {"\\Device\\VCP12", "COM10"}, {"\\Device\\VCPX", "COM7"}});
    ASSERT_EQ(Numbers(list), (std::vector<int>{1, 3, 5, 7, 10}));
    const std::vector<bool> virtualPorts = {false, false, true, false, true};
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i].IsVirtualPort(), virtualPorts[i]) << list[i].Number;
    EXPECT_EQ(list[4].DeviceNumber, 12);
}

TEST(ComPortList, NamesWithoutDigitsCountAsPortOneAndDeviceZero)
{
    TComPortList list;
    FillComPortList(list, Pairs{{"\\Device\\Serial", "COM"}, {"\\Device\\Serial2", "COM99999999999"}});
    ASSERT_EQ(list.size(), 2u);
    for (const TComPortInfo& port : list)
        EXPECT_EQ(port.Number, 1);
    EXPECT_EQ(list[1].DeviceNumber, 0);
}

TEST(ComPortList, SkipsEmptyAndBlankNamesAndClearsEarlierContent)
{
    TComPortList list;
    FillComPortList(list, Pairs{{"\\Device\\Serial0", "COM4"}});
    FillComPortList(list, Pairs{{"", "COM2"}, {"\\Device\\VCP1", "  "}, {" ", " "}, {"\\Device\\VCP2", "COM6"}});
    EXPECT_EQ(Numbers(list), std::vector<int>{6});
}

TEST(ComPortList, EachPortKeepsItsDescriptionThroughTheSort)
{
    TComPortList list;
    FillComPortList(list, std::vector<TPortNames>{{"\\Device\\VCP3", "COM3", "FTDI FT232R USB UART"},
                                                  {"\\Device\\Serial0", "COM1", "\\Device\\Serial0"},
                                                  {"", "COM2", "skipped"}});
    ASSERT_EQ(Numbers(list), (std::vector<int>{1, 3}));
    EXPECT_EQ(list[0].Description, "\\Device\\Serial0");
    EXPECT_EQ(list[1].Description, "FTDI FT232R USB UART");
}

} // namespace

// The window is Russian: its tool tips have no English words, keep the ids, names and paths as they are, and
// name the device node.
TEST(ComPortToolTip, SpeaksRussianAndNamesTheDeviceNode)
{
    using platform::TPortKind;
    const std::pair<platform::TPortMapEntry, std::string> cases[] = {
        {{"\\Device\\VCP4", "COM4", "/dev/ttyUSB1",
          {TPortKind::Usb, "10c4", "ea60", "Silicon Labs", "CP2102", "0001", "cp210x", "/dev/serial/by-id/x", "1-1.2"}},
         "Silicon Labs CP2102, 10c4:ea60, серийный номер 0001, драйвер cp210x, USB-порт 1-1.2, /dev/serial/by-id/x, "
         "устройство /dev/ttyUSB1"},
        {{"\\Device\\VCP3", "COM3", "/dev/pts/3", {TPortKind::PseudoTerminal}}, "псевдотерминал, устройство /dev/pts/3"},
        {{"\\Device\\Serial0", "COM1", "/dev/ttyS0", {TPortKind::BuiltIn, "", "", "", "", "", "serial8250"}},
         "\\Device\\Serial0, драйвер serial8250, устройство /dev/ttyS0"},
    };
    for (const auto& [entry, text] : cases)
        EXPECT_EQ(PortToolTip(entry), text);
}
