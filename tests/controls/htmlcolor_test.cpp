#include "controls/htmlcolor.h"

#include <gtest/gtest.h>

void PrintTo(const HtmlColor& color, std::ostream* out)
{
    *out << color.Text.Bytes() << " " << std::hex << color.Color;
}

namespace {

struct Case {
    const char* given;    // text given, or the text the property starts with
    TColor value;         // colour given, where the case starts from a colour
    const char* text;     // resulting text
    TColor color;         // resulting colour (unused where the colour given must stay)
};

} // namespace

TEST(HtmlColor, TextToColour)
{
    const Case cases[] = {
        {"#f0ffec", 0, "#f0ffec", RGBColor(240, 255, 236)},
        {"x123456", 0, "x123456", RGBColor(0x12, 0x34, 0x56)}, // the first character is not examined
        {"#000", 0, "#000000", 0},
        {"", 0, "#000000", 0},
        {"#1234567", 0, "#000000", 0},
        {"#Ignore", 0, "#Ignore", RGBColor(0, 0, 14)},
        {"#IGNORE", 0, "#IGNORE", RGBColor(0, 0, 14)},
        {"#5GG5zz", 0, "#5GG5zz", RGBColor(0, 5, 0)}, // a piece is read from its end up to a non-digit
        {"#a- 91f", 0, "#a- 91f", RGBColor(0, 9, 0x1F)},
    };
    EXPECT_EQ(HtmlColor{}, (HtmlColor{"#000000", 0}));
    for (const Case& c : cases)
        EXPECT_EQ(HtmlColor::FromText(c.given), (HtmlColor{c.text, c.color})) << c.given;
}

TEST(HtmlColor, ColourToText)
{
    const Case cases[] = {
        {"", clWhite, "#FFFFFF", clWhite},
        {"", RGBColor(240, 255, 236), "#F0FFEC", RGBColor(240, 255, 236)},
        // Eight digits "8000000F" and "FF123456": the pairs at the same positions name another colour.
        {"", clBtnFace, "#000080", RGBColor(0, 0, 0x80)},
        {"", static_cast<TColor>(0xFF123456), "#3412FF", RGBColor(0x34, 0x12, 0xFF)},
        // Seven digits "1020304": the pairs are taken across the bytes.
        {"", 0x01020304, "#302010", RGBColor(0x30, 0x20, 0x10)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HtmlColor::FromColor(c.value), (HtmlColor{c.text, c.color})) << std::hex << c.value;
}

TEST(HtmlColorProperty, TextSetsBothUnlessExactlyIgnore)
{
    const Case cases[] = {
        {"#f0ffec", 0, "#f0ffec", RGBColor(240, 255, 236)},
        {"#000", 0, "#000000", 0},
        {"#ignore", 0, "#ignore", clRed},
        {"#IGNORE", 0, "#IGNORE", RGBColor(0, 0, 14)},
    };
    for (const Case& c : cases) {
        HtmlColorProperty property{"#FFFFFF", clRed};
        property.SetText(c.given);
        EXPECT_EQ(property.Text, AnsiString(c.text)) << c.given;
        EXPECT_EQ(property.Color, c.color) << c.given;
    }
}

TEST(HtmlColorProperty, ColourIsKeptExactlyAndTheTextFollowsUnlessIgnore)
{
    const Case cases[] = {
        {"#f0ffec", RGBColor(240, 255, 236), "#F0FFEC", 0},
        {"#000000", clBtnFace, "#000080", 0},
        {"#ignore", clBtnFace, "#ignore", 0},
    };
    for (const Case& c : cases) {
        HtmlColorProperty property{c.given, clBlack};
        property.SetColor(c.value);
        EXPECT_EQ(property.Color, c.value) << c.given;
        EXPECT_EQ(property.Text, AnsiString(c.text)) << c.given;
    }
}
