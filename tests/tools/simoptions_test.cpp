#include "tools/zentor-sim/simoptions.h"

#include <gtest/gtest.h>

using namespace zentorsim;
using namespace std::chrono_literals;

TEST(SimOptions, DefaultsWithoutArguments)
{
    std::string error;
    const auto options = ParseSimArguments({}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->ComNumber, 0);
    EXPECT_EQ(options->InitialValue, 0x00);
    EXPECT_FALSE(options->Silent);
    EXPECT_EQ(options->ReplyDelay, 0ms);
    EXPECT_FALSE(options->TwoByteReply);
    EXPECT_FALSE(options->AnswerByte);
    EXPECT_FALSE(options->VanishAfter);
    EXPECT_TRUE(options->LogPath.empty());
}

TEST(SimOptions, EveryOption)
{
    std::string error;
    const auto options = ParseSimArguments({"--com", "12", "--value", "0xFF", "--silent", "--delay", "250", "--two-bytes",
                                            "--answer", "0x0f", "--vanish-after", "3", "--log", "/tmp/x.bin", "--trace", "-",
                                            "--echo", "--noise", "0xAA", "--noise-before", "10", "--noise-after", "5",
                                            "--late-first", "4000"},
                                           error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->ComNumber, 12);
    EXPECT_EQ(options->InitialValue, 0xFF);
    EXPECT_TRUE(options->Silent);
    EXPECT_EQ(options->ReplyDelay, 250ms);
    EXPECT_TRUE(options->TwoByteReply);
    EXPECT_EQ(options->AnswerByte, std::uint8_t{0x0F});
    EXPECT_EQ(options->VanishAfter, 3);
    EXPECT_EQ(options->LogPath, "/tmp/x.bin");
    EXPECT_EQ(options->TracePath, "-");
    EXPECT_TRUE(options->Echo);
    EXPECT_EQ(options->NoiseByte, 0xAA);
    EXPECT_EQ(options->NoiseBefore, 10ms);
    EXPECT_EQ(options->NoiseAfter, 5ms);
    EXPECT_EQ(options->LateFirst, 4000ms);
}

TEST(SimOptions, BadArgumentsAreRefusedWithAReason)
{
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--com"}, {"--com", "0"}, {"--com", "256"},
             {"--com", "x1"}, {"--value", "256"}, {"--value", "0x"},
             {"--delay", "-5"}, {"--answer", "12a"}, {"--log", ""}, {"--trace", ""}, {"--trace"},
             {"--noise", "256"}, {"--noise-before", "x"}, {"--late-first", "-1"}}) {
        std::string error;
        EXPECT_FALSE(ParseSimArguments(arguments, error)) << arguments[0];
        EXPECT_NE(error.find(arguments[0]), std::string::npos) << error;
    }
}
