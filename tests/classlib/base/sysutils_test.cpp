#include "classlib/base/sysutils.h"

#include <gtest/gtest.h>

TEST(StrToIntDef, DecimalTextOrTheDefault)
{
    const struct {
        const char* text;
        std::int32_t expected;
    } cases[] = {
        {"5", 5}, {"19200", 19200}, {"-3", -3}, {"+7", 7}, {"  42", 42}, {"007", 7},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"", -1}, {" ", -1}, {"abc", -1}, {"12abc", -1}, {"12 ", -1}, {"1 2", -1}, {"+", -1}, {"-", -1},
        {"+-1", -1}, {"--1", -1}, {"2147483648", -1}, {"99999999999999999999", -1}, {"0x10", -1}, {"\t5", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrToIntDef(c.text, -1), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(StrToIntDef(AnsiString("5\0", 2), -1), -1);
}

TEST(IntToStr, DecimalText)
{
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-9600), "-9600");
    EXPECT_EQ(IntToStr(2147483648LL), "2147483648");
}
