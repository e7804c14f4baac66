#include "device/hextext.h"

#include "classlib/base/exception.h"

#include <gtest/gtest.h>

#include <vector>

using namespace device;

TEST(HexToInt, ReadsDigitsOfEitherCaseAndFallsBackOnAnythingElse)
{
    const struct {
        const char* text;
        std::int32_t expected;
    } cases[] = {
        {"ff", 255}, {"FF", 255}, {"0F", 15}, {"00", 0}, {"aB", 0xAB}, {"7FFFFFFF", 0x7FFFFFFF},
        {"FFFFFFFF", -1}, {"0000000012", 0x12},
        {"", -7}, {"G1", -7}, {"1G", -7}, {" 1", -7}, {"1 ", -7}, {"-1", -7}, {"+1", -7}, {"0x12", -7},
        {"$12", -7}, {"100000000", -7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexToInt(c.text, -7), c.expected) << '"' << c.text << '"';
}

TEST(HexToInt, NulByteIsNotADigit)
{
    EXPECT_EQ(HexToInt(AnsiString("1\0", 2), 99), 99);
}

TEST(BytesToHexText, TwoUpperCaseDigitsPerByteInOrder)
{
    const std::vector<std::uint8_t> bytes = {0x00, 0x0F, 0xAB, 0xFF, 0x10};
    EXPECT_EQ(BytesToHexText(bytes), "000FABFF10");
    EXPECT_EQ(BytesToHexText({}), "");
}

TEST(HexTextToBytes, StoresTheFrameAndATerminatingZeroInAZeroedBuffer)
{
    TTransmitBuffer buffer;
    buffer.fill(0xEE);
    const std::size_t count = HexTextToBytes("A59600d5006B", buffer);
    ASSERT_EQ(count, 6u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 6),
              (std::vector<std::uint8_t>{0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B}));
    EXPECT_EQ(std::count(buffer.begin() + 6, buffer.end(), 0), std::ptrdiff_t(kTransmitBufferSize - 6));
}

TEST(HexTextToBytes, NonHexPairBecomesZero)
{
    TTransmitBuffer buffer;
    ASSERT_EQ(HexTextToBytes("41zz42", buffer), 3u);
    EXPECT_EQ(buffer[0], 0x41);
    EXPECT_EQ(buffer[1], 0x00);
    EXPECT_EQ(buffer[2], 0x42);
}

TEST(HexTextToBytes, LongestFrameFillsTheBufferBeforeItsTerminatingZero)
{
    TTransmitBuffer buffer;
    const AnsiString longest(std::string(2 * (kTransmitBufferSize - 1), 'F'));
    EXPECT_EQ(HexTextToBytes(longest, buffer), kTransmitBufferSize - 1);
    EXPECT_EQ(buffer[kTransmitBufferSize - 2], 0xFF);
    EXPECT_EQ(buffer[kTransmitBufferSize - 1], 0x00);
}

TEST(HexTextToBytes, OddOrOversizedTextRaisesAndLeavesTheBufferAlone)
{
    const AnsiString bad[] = {"A59", "1", AnsiString(std::string(2 * kTransmitBufferSize, '0'))};
    for (const AnsiString& text : bad) {
        TTransmitBuffer buffer;
        buffer.fill(0xEE);
        EXPECT_THROW(HexTextToBytes(text, buffer), ERangeError) << text.Length();
        EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xEE), std::ptrdiff_t(kTransmitBufferSize));
    }
}
