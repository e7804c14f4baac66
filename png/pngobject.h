// A PNG picture over libpng. It keeps the file's own colour type, bit depth, palette and transparency,
// so that the drawing effects can branch on them. Colour scan lines of 8-bit RGB and RGBA pictures hold
// blue, green, red bytes per pixel; the alpha of colour types 4 and 6 lives in separate alpha scan lines.
#pragma once

#include "classlib/graphic.h"
#include "classlib/tcolor.h"

#include <QImage>

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class TBitmap;

constexpr int COLOR_GRAYSCALE = 0;
constexpr int COLOR_RGB = 2;
constexpr int COLOR_PALETTE = 3;
constexpr int COLOR_GRAYSCALEALPHA = 4;
constexpr int COLOR_RGBALPHA = 6;

enum TPNGTransparencyMode { ptmNone, ptmBit, ptmPartial };

struct TPaletteEntry {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

class TPNGObject : public TGraphic {
public:
    TPNGObject();
    TPNGObject(const TPNGObject& other);
    TPNGObject& operator=(const TPNGObject& other);
    ~TPNGObject() override;

    // A blank picture (all bytes zero) of a colour type at a bit depth.
    void CreateBlank(int colorType, int bitDepth, int width, int height);
    void Assign(const TPNGObject& source);
    // A 24- or 32-bit bitmap becomes an RGB picture.
    void AssignBitmap(const TBitmap& bitmap);
    // Fills a 24-bit bitmap with the picture's colours.
    void AssignTo(TBitmap& bitmap) const;

    // Both raise EPNGError carrying libpng's message on a corrupt, truncated or empty stream;
    // a failed load leaves the picture as it was.
    void LoadFromStream(std::istream& stream);
    void SaveToStream(std::ostream& stream) const;
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;

    int Width() const override;
    int Height() const override;
    bool Empty() const override;
    int ColorType() const;
    int BitDepth() const;

    TPNGTransparencyMode TransparencyMode() const;
    // The fully transparent colour of a ptmBit picture.
    TColor TransparentColor() const;

    // Gives a picture without alpha an alpha channel, all opaque: grey becomes grey with alpha, RGB becomes RGBA.
    void CreateAlpha();

    // Colour bytes of one row in the picture's own layout; alpha bytes of one row, or nullptr without alpha.
    std::uint8_t* Scanline(int row);
    const std::uint8_t* Scanline(int row) const;
    std::uint8_t* AlphaScanline(int row);
    const std::uint8_t* AlphaScanline(int row) const;

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    std::vector<TPaletteEntry> Palette() const;
    void SetPalette(const std::vector<TPaletteEntry>& entries);

    // The picture as 32-bit ARGB with its transparency applied (tRNS colour or alpha channel).
    QImage ToQImage() const;
    // Draws stretched to rect, blended by alpha.
    void Draw(TCanvas& canvas, const QRect& rect) const override;

private:
    struct Data;
    std::unique_ptr<Data> data_;
};
