// Drawing PNG pictures with effects, the effects themselves, and conversions of other pictures to PNG.
// Effects change a picture in place; conversions return a new picture that the caller owns.
// Rounding to the nearest integer sends halves to the even neighbour throughout.
#pragma once

#include "classlib/base/tcolor.h"
#include "png/pngobject.h"

#include <QRect>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

class TBitmap;
class TCanvas;
class TCustomImageList;
class TGraphic;

enum TPngOption : std::uint8_t { pngBlendOnDisabled, pngGrayscaleOnDisabled, pngBrighter, pngDarker };

// A set of drawing effects held in one byte, bit i standing for the option of value i.
class TPngOptions {
public:
    constexpr TPngOptions() = default;
    constexpr TPngOptions(std::initializer_list<TPngOption> options)
    {
        for (const TPngOption option : options)
            Include(option);
    }
    static constexpr TPngOptions FromByte(std::uint8_t bits)
    {
        TPngOptions options;
        options.bits_ = bits & kAllBits;
        return options;
    }

    constexpr std::uint8_t Byte() const { return bits_; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool Contains(TPngOption option) const { return (bits_ & Bit(option)) != 0; }
    constexpr TPngOptions& Include(TPngOption option)
    {
        bits_ |= Bit(option);
        return *this;
    }
    constexpr TPngOptions& Exclude(TPngOption option)
    {
        bits_ &= static_cast<std::uint8_t>(~Bit(option));
        return *this;
    }
    friend constexpr bool operator==(TPngOptions, TPngOptions) = default;

private:
    static constexpr std::uint8_t kAllBits = 0x0F;
    static constexpr std::uint8_t Bit(TPngOption option) { return static_cast<std::uint8_t>(1u << option); }

    std::uint8_t bits_ = 0;
};

// Draws png stretched to rect. With options, a copy of the picture takes the effects, in this order:
// blend (127), grey (255), brighter (55), darker (55); the caller's picture never changes. What a picture
// is drawn as is kept with it until it changes, so repaints of an unchanged picture do no conversion.
void DrawPNG(const TPNGObject& png, TCanvas& canvas, const QRect& rect, TPngOptions options);

// Amounts are taken within 0..255. No effect turns a transparent pixel visible or a visible one transparent:
// an RGB picture with a transparent colour gets an alpha channel before its colours change.
// Scales every alpha by (amount + 1) / 256, giving the picture an alpha channel first. Grey and palette
// pictures become 8-bit RGBA with alpha amount (their transparent colour 0, partial palette alpha scaled).
void MakeImageBlended(TPNGObject& png, int amount);
// Moves the colours towards their grey (0.30 red + 0.59 green + 0.11 blue); 255 is full grey. Grey pictures stay.
void MakeImageGrayscale(TPNGObject& png, int amount);
// Adds or takes amount from each colour byte of 8-bit RGB and RGBA pictures; other pictures stay as they are.
void MakeImageBrighter(TPNGObject& png, int amount);
void MakeImageDarker(TPNGObject& png, int amount);
// Gives a picture without alpha an alpha channel: grey and palette pictures become 8-bit RGBA with alpha
// amount (as MakeImageBlended), RGB pictures become RGBA, fully opaque.
void MakeImageAlphaChannel(TPNGObject& png, int amount);

// Bilinear resampling in single precision to width × height (8-bit result). Only RGB and RGBA pictures;
// others raise EPNGError "Only COLOR_RGBALPHA and COLOR_RGB formats are supported" and stay unchanged.
// A source one pixel wide or high is replicated along that side.
void SmoothResize(TPNGObject& png, int width, int height);

// A PNG copy of any picture: PNG pictures are copied, bitmaps keep their transparent colour as alpha 0,
// icons take their alpha from the mask or from a 32-bit colour bitmap that carries alpha (always RGBA),
// and other graphics are drawn onto a fully transparent picture of their size.
std::unique_ptr<TPNGObject> ConvertToPNG(const TGraphic& source);
// An RGBA picture of color whose alpha is the red byte of mask (255 minus it with inverseMask);
// pixels beyond the mask's edges read as white.
std::unique_ptr<TPNGObject> CreatePNG(const TBitmap& color, const TBitmap& mask, bool inverseMask);
// An RGBA picture of bitmap, transparent exactly where the pixel equals maskColor.
std::unique_ptr<TPNGObject> CreatePNGMasked(const TBitmap& bitmap, TColor maskColor);
// Fills png with picture index of the list: a copy of the item's picture of a PNG image list, else the
// native picture, opaque where the list's mask is black. An index outside the list leaves png as it was.
void CopyImageFromImageList(TPNGObject& png, const TCustomImageList& list, int index);
// Cuts png into columns × rows parts of (width div columns) × (height div rows) pixels, row by row;
// parts carry alpha when png has an alpha channel. No parts when a part would be empty.
std::vector<std::unique_ptr<TPNGObject>> SlicePNG(const TPNGObject& png, int columns, int rows);
