#include "tools/zentor-sim/frameparser.h"

#include <gtest/gtest.h>

using namespace zentorsim;

namespace {

TParsedFrames Parse(std::vector<std::uint8_t> bytes)
{
    return ParseFrames(bytes);
}

} // namespace

TEST(FrameParser, ChecksumOfTheKnownRequests)
{
    EXPECT_EQ(FrameChecksum(0x00, 0xD5, 0x00), 0x6B);
    EXPECT_EQ(FrameChecksum(0x01, 0xD5, 0x00), 0x6C);
    EXPECT_EQ(FrameChecksum(0x01, 0xD5, 0xFF), 0x6B);
}

TEST(FrameParser, WholeFramesInOrder)
{
    const auto parsed = Parse({0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B, 0xA5, 0x96, 0x01, 0xD5, 0xFF, 0x6B});
    EXPECT_EQ(parsed.Frames, (std::vector<TSimFrame>{{0x00, 0xD5, 0x00}, {0x01, 0xD5, 0xFF}}));
    EXPECT_EQ(parsed.Consumed, 12u);
}

TEST(FrameParser, IncompleteFrameIsKeptAndNoiseBeforeItDropped)
{
    const auto parsed = Parse({0x00, 0x13, 0xA5, 0x96, 0x00});
    EXPECT_TRUE(parsed.Frames.empty());
    EXPECT_EQ(parsed.Consumed, 2u);
    EXPECT_TRUE(Parse({}).Frames.empty());
}

TEST(FrameParser, WrongChecksumOrTagIsIgnored)
{
    EXPECT_TRUE(Parse({0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6C}).Frames.empty());
    EXPECT_TRUE(Parse({0xA5, 0x97, 0x00, 0xD5, 0x00, 0x6B}).Frames.empty());
    EXPECT_EQ(Parse({0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6C}).Consumed, 6u);
}

TEST(FrameParser, ResynchronisesOnTheNextStartByteEvenInsideABrokenFrame)
{
    // A frame cut short after three bytes, then a whole one: the start byte inside the broken one is found.
    const auto parsed = Parse({0xA5, 0x96, 0x00, 0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B});
    EXPECT_EQ(parsed.Frames, (std::vector<TSimFrame>{{0x00, 0xD5, 0x00}}));
    EXPECT_EQ(parsed.Consumed, 9u);
    // A broken frame whose data byte is A5 leaves that byte as the start of a frame still to come.
    const auto waiting = Parse({0xA5, 0x96, 0x01, 0xD5, 0xA5, 0x00});
    EXPECT_TRUE(waiting.Frames.empty());
    EXPECT_EQ(waiting.Consumed, 4u);
}
