#include "device/frame.h"

#include "device/hextext.h"
#include "device/registers.h"

#include <gtest/gtest.h>

#include <vector>

using namespace device;

namespace {

std::vector<std::uint8_t> LineBytes(const AnsiString& frame)
{
    TTransmitBuffer buffer;
    const std::size_t count = HexTextToBytes(frame, buffer);
    return {buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count)};
}

} // namespace

TEST(FrameChecksum, LowByteOfThePairSum)
{
    const struct {
        const char* text;
        const char* checksum;
    } cases[] = {
        {"9600D500", "6B"}, {"9601D500", "6C"}, {"9601D5FF", "6B"}, {"FFFF", "FE"}, {"", "00"},
        {"123", "12"}, {"12zz", "12"}, {"fF01", "00"}, {"0", "00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FrameChecksum(c.text), c.checksum) << '"' << c.text << '"';
}

TEST(Requests, ReadAndWriteFramesOnTheLine)
{
    const struct {
        AnsiString frame;
        const char* text;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {BuildReadRequest(ReadRegisters[0]), "A59600D5006B", {0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B}},
        {BuildWriteRequest(WriteRegisters[0], "00"), "A59601D5006C", {0xA5, 0x96, 0x01, 0xD5, 0x00, 0x6C}},
        {BuildWriteRequest(WriteRegisters[0], "FF"), "A59601D5FF6B", {0xA5, 0x96, 0x01, 0xD5, 0xFF, 0x6B}},
        {BuildRequest("01", "10", "20"), "A596011020C7", {0xA5, 0x96, 0x01, 0x10, 0x20, 0xC7}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.frame, c.text);
        EXPECT_EQ(LineBytes(c.frame), c.bytes) << c.text;
    }
}
