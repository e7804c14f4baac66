#include "classlib/base/tcolor.h"

#include <array>

namespace {

// The classic Windows colour scheme, indexed by the low byte of a system colour reference.
constexpr std::array<TColor, 29> kSystemColors = {
    RGBColor(0xC0, 0xC0, 0xC0), // scroll bar
    RGBColor(0x00, 0x80, 0x80), // desktop
    RGBColor(0x00, 0x00, 0x80), // active caption
    RGBColor(0x80, 0x80, 0x80), // inactive caption
    RGBColor(0xC0, 0xC0, 0xC0), // menu
    RGBColor(0xFF, 0xFF, 0xFF), // window
    RGBColor(0x00, 0x00, 0x00), // window frame
    RGBColor(0x00, 0x00, 0x00), // menu text
    RGBColor(0x00, 0x00, 0x00), // window text
    RGBColor(0xFF, 0xFF, 0xFF), // caption text
    RGBColor(0xC0, 0xC0, 0xC0), // active border
    RGBColor(0xC0, 0xC0, 0xC0), // inactive border
    RGBColor(0x80, 0x80, 0x80), // application workspace
    RGBColor(0x00, 0x00, 0x80), // highlight
    RGBColor(0xFF, 0xFF, 0xFF), // highlight text
    RGBColor(0xD4, 0xD0, 0xC8), // button face
    RGBColor(0x80, 0x80, 0x80), // button shadow
    RGBColor(0x80, 0x80, 0x80), // grey text
    RGBColor(0x00, 0x00, 0x00), // button text
    RGBColor(0xC0, 0xC0, 0xC0), // inactive caption text
    RGBColor(0xFF, 0xFF, 0xFF), // button highlight
    RGBColor(0x40, 0x40, 0x40), // 3D dark shadow
    RGBColor(0xD4, 0xD0, 0xC8), // 3D light
    RGBColor(0x00, 0x00, 0x00), // tooltip text
    RGBColor(0xFF, 0xFF, 0xE1), // tooltip background
    RGBColor(0x00, 0x00, 0x00), // (no colour of this number)
    RGBColor(0x00, 0x00, 0x80), // hot-tracked item
    RGBColor(0x10, 0x84, 0xD0), // gradient end of the active caption
    RGBColor(0xB5, 0xB5, 0xB5), // gradient end of the inactive caption
};

} // namespace

TColor ColorToRGB(TColor color)
{
    if ((color & clSystemColor) == 0)
        return color;
    const auto index = static_cast<std::size_t>(color & 0xFF);
    return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
}
