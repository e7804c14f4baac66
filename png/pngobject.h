// A PNG picture over libpng. It keeps the file's own colour type, bit depth, palette and transparency,
// so that the drawing effects can branch on them. Colour scan lines of 8-bit RGB and RGBA pictures hold
// blue, green, red bytes per pixel; the alpha of colour types 4 and 6 lives in separate alpha scan lines.
// Grey and palette scan lines are packed at the bit depth (most significant bits first). 16-bit pictures
// keep their 16-bit samples: two bytes each, most significant first, in the same blue, green, red order,
// and their alpha scan lines hold two bytes per pixel the same way.
// Gamma, colour space and the other ancillary chunks are not applied and not kept.
//
// A picture keeps the images it was drawn as (premultiplied, and with effects) until it changes, and its
// copies share them until either changes. Every change through a member drops them. A writable row from
// Scanline or AlphaScanline drops them too, and from then on each draw first checks the rows against the
// ones the images were made from, so that writes through a row kept across a draw still show.
// Not thread-safe: pictures, and the copies sharing their images, belong to the GUI thread.
#pragma once

#include "classlib/graphics/graphic.h"
#include "classlib/base/tcolor.h"

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

    // A blank picture (all bytes zero) of a colour type at a bit depth. A palette picture gets a grey ramp
    // of 2^bit depth entries from black to white, so its pixels start black. Raises EPNGError for a colour
    // type and bit depth that PNG does not allow, or a negative or too large size.
    void CreateBlank(int colorType, int bitDepth, int width, int height);
    void Assign(const TPNGObject& source);
    // A 24- or 32-bit bitmap becomes an 8-bit RGB picture; a 32-bit bitmap's alpha is dropped. Bitmaps of
    // other formats are taken by their pixel colours the same way.
    void AssignBitmap(const TBitmap& bitmap);
    // Fills a 24-bit bitmap with the picture's colours (transparency is not carried over).
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
    bool Interlaced() const;

    // ptmPartial with an alpha channel, or a palette tRNS with partial values or several transparent
    // entries; ptmBit with a tRNS colour key, or a palette tRNS with exactly one transparent entry and
    // every other opaque; else ptmNone.
    TPNGTransparencyMode TransparencyMode() const;
    // The fully transparent colour of a ptmBit picture; clNone in other modes.
    TColor TransparentColor() const;

    // Gives a picture without alpha an alpha channel, all opaque: grey becomes grey with alpha, RGB becomes RGBA.
    // Pixels of a tRNS colour key get alpha 0. A palette picture becomes 8-bit RGBA with the palette's tRNS
    // as alpha. Grey below 8 bits becomes 8-bit; 16-bit pictures stay 16-bit. Pictures with alpha are unchanged.
    void CreateAlpha();

    // Colour bytes of one row in the picture's own layout; alpha bytes of one row, or nullptr without alpha.
    // A row outside the picture raises ERangeError. A writable row stays valid until the picture is
    // replaced (CreateBlank, Assign, AssignBitmap, loading, CreateAlpha).
    std::uint8_t* Scanline(int row);
    const std::uint8_t* Scanline(int row) const;
    std::uint8_t* AlphaScanline(int row);
    const std::uint8_t* AlphaScanline(int row) const;

    // One pixel's colour, alpha not included; 16-bit samples rounded to 8 bits. A palette index beyond
    // the palette reads as black. A position outside the picture raises ERangeError.
    TColor Pixel(int x, int y) const;
    // Sets one pixel's colour and leaves its alpha alone. Grey pictures take the grey value
    // (30 red + 59 green + 11 blue) / 100, palette pictures the nearest palette entry (lowest index on a tie).
    void SetPixel(int x, int y, TColor color);

    // The palette of a palette picture; empty for other colour types.
    std::vector<TPaletteEntry> Palette() const;
    // Replaces the palette of a palette picture (1 to 2^bit depth entries; tRNS entries beyond it go).
    // Raises EPNGError on other colour types or a palette of the wrong size.
    void SetPalette(const std::vector<TPaletteEntry>& entries);

    // The picture as 32-bit ARGB with its transparency applied (tRNS colour or alpha channel).
    QImage ToQImage() const;
    // Draws stretched to rect, blended by alpha.
    void Draw(TCanvas& canvas, const QRect& rect) const override;

    // An image made from the picture by make (called with the picture and key), kept under key until the
    // picture changes, so that repeated draws of an unchanged picture skip the work.
    using ImageMaker = QImage (*)(const TPNGObject& png, std::uint8_t key);
    QImage DerivedImage(std::uint8_t key, ImageMaker make) const;

private:
    struct Data;
    void Changed();
    std::unique_ptr<Data> data_;
};
