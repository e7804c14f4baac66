#include "controls/htmlcolor.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char* text;
    const char* expectedText;
    TColor expectedColor;
};

const TextCase kTextCases[] = {
    {"#f0ffec", "#f0ffec", RGBColor(240, 255, 236)},
    {"#FFEFEF", "#FFEFEF", RGBColor(255, 239, 239)},
    {"#C0C0C0", "#C0C0C0", clSilver},
    {"x123456", "x123456", RGBColor(0x12, 0x34, 0x56)}, // the first character is not examined
    {"#000", "#000000", 0},
    {"", "#000000", 0},
    {"#1234567", "#000000", 0},
    {"#Ignore", "#Ignore", RGBColor(0, 0, 14)},
    {"#IGNORE", "#IGNORE", RGBColor(0, 0, 14)},
    {"#5GG5zz", "#5GG5zz", RGBColor(0, 5, 0)}, // a piece is read from its end up to the first non-digit
    {"#a- 91f", "#a- 91f", RGBColor(0, 9, 0x1F)},
};

struct ColorCase {
    TColor color;
    const char* expectedText;
    TColor expectedColor;
};

const ColorCase kColorCases[] = {
    {0, "#000000", 0},
    {clWhite, "#FFFFFF", clWhite},
    {RGBColor(240, 255, 236), "#F0FFEC", RGBColor(240, 255, 236)},
    {RGBColor(1, 2, 3), "#010203", RGBColor(1, 2, 3)},
    // Eight digits "8000000F": its characters 5-6, 3-4, 1-2 name another colour.
    {clBtnFace, "#000080", RGBColor(0, 0, 0x80)},
    {static_cast<TColor>(0xFF123456), "#3412FF", RGBColor(0x34, 0x12, 0xFF)},
    // Seven digits "1020304": the pairs are taken at the same positions, across the bytes.
    {0x01020304, "#302010", RGBColor(0x30, 0x20, 0x10)},
};

} // namespace

TEST(HtmlColor, FreshValueIsBlack)
{
    EXPECT_EQ(HtmlColor{}, (HtmlColor{"#000000", 0}));
}

TEST(HtmlColor, TextToColour)
{
    for (const TextCase& c : kTextCases) {
        const HtmlColor result = HtmlColor::FromText(c.text);
        EXPECT_EQ(result.Text.Bytes(), c.expectedText) << c.text;
        EXPECT_EQ(result.Color, c.expectedColor) << c.text;
    }
}

TEST(HtmlColor, ColourToText)
{
    for (const ColorCase& c : kColorCases) {
        const HtmlColor result = HtmlColor::FromColor(c.color);
        EXPECT_EQ(result.Text.Bytes(), c.expectedText) << std::hex << c.color;
        EXPECT_EQ(result.Color, c.expectedColor) << std::hex << c.color;
    }
}

TEST(HtmlColor, OnlyTheExactIgnoreTextIsSpecial)
{
    EXPECT_TRUE(IsHtmlIgnore("#ignore"));
    for (const char* other : {"#Ignore", "#IGNORE", "#ignore ", "ignore", ""})
        EXPECT_FALSE(IsHtmlIgnore(other)) << other;
}

TEST(HtmlColorProperty, TextSetsTextAndColourUnlessIgnore)
{
    struct Case {
        const char* text;
        const char* expectedText;
        TColor expectedColor;
    };
    const Case cases[] = {
        {"#f0ffec", "#f0ffec", RGBColor(240, 255, 236)},
        {"#000", "#000000", 0},
        {"#ignore", "#ignore", clRed},
        {"#IGNORE", "#IGNORE", RGBColor(0, 0, 14)},
    };
    for (const Case& c : cases) {
        HtmlColorProperty property{"#FFFFFF", clRed};
        property.SetText(c.text);
        EXPECT_EQ(property.Text.Bytes(), c.expectedText) << c.text;
        EXPECT_EQ(property.Color, c.expectedColor) << c.text;
    }
}

TEST(HtmlColorProperty, ColourIsKeptExactlyAndTextFollowsUnlessIgnore)
{
    struct Case {
        const char* text;
        TColor color;
        const char* expectedText;
    };
    const Case cases[] = {
        {"#f0ffec", RGBColor(240, 255, 236), "#F0FFEC"},
        {"#000000", clBtnFace, "#000080"},
        {"#ignore", RGBColor(1, 2, 3), "#ignore"},
        {"#ignore", clBtnFace, "#ignore"},
    };
    for (const Case& c : cases) {
        HtmlColorProperty property{c.text, clBlack};
        property.SetColor(c.color);
        EXPECT_EQ(property.Color, c.color) << c.text;
        EXPECT_EQ(property.Text.Bytes(), c.expectedText) << c.text;
    }
}
