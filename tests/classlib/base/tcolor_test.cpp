#include "classlib/base/tcolor.h"

#include <gtest/gtest.h>

TEST(TColor, SystemColoursResolveToTheClassicScheme)
{
    EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(212, 208, 200));
    EXPECT_EQ(ColorToRGB(static_cast<TColor>(0x8000000F)), RGBColor(212, 208, 200));
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clBtnShadow), clGray);
    EXPECT_EQ(ColorToRGB(clHighlight), clNavy);
    EXPECT_EQ(ColorToRGB(clHighlightText), clWhite);
    EXPECT_EQ(ColorToRGB(clInfoBk), RGBColor(255, 255, 225));
    EXPECT_EQ(ColorToRGB(clGradientActiveCaption), RGBColor(16, 132, 208));
    EXPECT_EQ(ColorToRGB(clSystemColor | 25), clBlack);
}

TEST(TColor, PlainColoursPassUnchanged)
{
    for (const TColor color : {clBlack, clSilver, clWhite, clGreen, clRed, clCream, clGray, clNavy})
        EXPECT_EQ(ColorToRGB(color), color);
    EXPECT_EQ(clSilver, 12632256);
    EXPECT_EQ(clWhite, 16777215);
    EXPECT_EQ(clGreen, 65280);
    EXPECT_EQ(clRed, 255);
}

TEST(TColor, ChannelsSitRedLowestBlueHighest)
{
    EXPECT_EQ(GetRValue(clCream), 0xFF);
    EXPECT_EQ(GetGValue(clCream), 0xFB);
    EXPECT_EQ(GetBValue(clCream), 0xF0);
    EXPECT_EQ(RGBColor(0x12, 0x34, 0x56), 0x00563412);
}
