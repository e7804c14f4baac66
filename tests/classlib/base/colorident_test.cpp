#include "classlib/base/colorident.h"

#include <gtest/gtest.h>

TEST(ColorIdent, NamesAndValuesMapBothWays)
{
    const std::vector<std::pair<TColor, std::string>> table = {
        {clBtnFace, "clBtnFace"}, {clWindow, "clWindow"}, {clWhite, "clWhite"},
        {clNone, "clNone"},       {clGreen, "clGreen"},   {clInfoBk, "clInfoBk"},
        {clBlue, "clBlue"},       {clYellow, "clYellow"}, {clMaroon, "clMaroon"},
        {clMedGray, "clMedGray"},
    };
    for (const auto& [color, name] : table) {
        EXPECT_EQ(ColorToIdent(color), name);
        EXPECT_EQ(IdentToColor(name), color);
    }
}

TEST(ColorIdent, UnnamedValuesAndUnknownNamesGiveNothing)
{
    EXPECT_FALSE(ColorToIdent(0x00123456).has_value());
    EXPECT_EQ(IdentToColor("CLBTNFACE"), clBtnFace);
    EXPECT_FALSE(IdentToColor("clBtnFac").has_value());
    EXPECT_FALSE(IdentToColor("").has_value());
}

// Names that share a value with an older one are read; the older one is written.
TEST(ColorIdent, SecondNamesAreReadAndTheFirstWritten)
{
    EXPECT_EQ(IdentToColor("clLtGray"), clSilver);
    EXPECT_EQ(IdentToColor("clDkGray"), clGray);
    EXPECT_EQ(ColorToIdent(clSilver), "clSilver");
}
