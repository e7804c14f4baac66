#include "png/pngfunctions.h"

#include "classlib/graphics/bitmap.h"
#include "classlib/graphics/canvas.h"
#include "classlib/base/exception.h"
#include "classlib/graphics/icon.h"
#include "classlib/graphics/imageallocation.h"
#include "classlib/graphics/imagelist.h"
#include "png/pngcodec.h"
#include "png/pngimagelist.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kBlendAmount = 127;
constexpr int kGrayscaleAmount = 255;
constexpr int kBrighterAmount = 55;
constexpr int kDarkerAmount = 55;

using ByteTable = std::array<std::uint8_t, 256>;

int ClampAmount(int amount)
{
    return std::clamp(amount, 0, 255);
}

// numerator / denominator rounded to the nearest integer, halves to the even neighbour. Exact integer
// arithmetic, so that a true half is always recognised as one.
std::uint32_t NearestRatio(std::uint32_t numerator, std::uint32_t denominator)
{
    const std::uint32_t quotient = numerator / denominator;
    const std::uint32_t twiceRest = 2 * (numerator % denominator);
    return quotient + (twiceRest > denominator) + ((twiceRest == denominator) & quotient & 1);
}

// nearest(n / 100), halves to even; the grey value 0.30 r + 0.59 g + 0.11 b is (30 r + 59 g + 11 b) / 100.
std::uint32_t NearestHundredth(std::uint32_t n)
{
    const std::uint32_t quotient = n / 100;
    const std::uint32_t twiceRest = 2 * (n - quotient * 100);
    return quotient + (twiceRest > 100) + ((twiceRest == 100) & quotient & 1);
}

// nearest(n / 256), halves to even: the remainder 128 rounds up only from an odd quotient.
std::uint32_t NearestOver256(std::uint32_t n)
{
    return (n + 127 + ((n >> 8) & 1)) >> 8;
}

// nearest(value × factor / 256) for every byte value, limited to 255.
ByteTable ScaleTable(std::uint32_t factor)
{
    ByteTable table{};
    for (std::uint32_t value = 0; value < table.size(); ++value)
        table[value] = static_cast<std::uint8_t>(std::min<std::uint32_t>(NearestOver256(value * factor), 255));
    return table;
}

// A colour key names the transparent pixels of an RGB picture by their colour. Before an effect changes
// colours, the key becomes an alpha channel, so that no pixel turns from transparent to visible or back.
void KeyToAlpha(TPNGObject& png)
{
    if (png.ColorType() == COLOR_RGB && png.TransparencyMode() == ptmBit)
        png.CreateAlpha();
}

bool IsEightBitRgb(const TPNGObject& png)
{
    return png.BitDepth() == 8 && (png.ColorType() == COLOR_RGB || png.ColorType() == COLOR_RGBALPHA);
}

void WriteBgr(std::uint8_t* row, int x, TColor color)
{
    row[3 * x] = GetBValue(color);
    row[3 * x + 1] = GetGValue(color);
    row[3 * x + 2] = GetRValue(color);
}

// ---- Alpha effects ----

// A grey or palette picture rebuilt as 8-bit RGBA with the same colours. Each pixel's own opacity (255, 0 for
// the transparent colour key or palette entry, or a palette entry's partial alpha) is scaled by amount / 255.
void RebuildWithAlpha(TPNGObject& png, int amount)
{
    const QImage own = png.ToQImage();
    TPNGObject rebuilt;
    rebuilt.CreateBlank(COLOR_RGBALPHA, 8, png.Width(), png.Height());
    for (int y = 0; y < png.Height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(own.constScanLine(y));
        std::uint8_t* colors = rebuilt.Scanline(y);
        std::uint8_t* alpha = rebuilt.AlphaScanline(y);
        for (int x = 0; x < png.Width(); ++x) {
            WriteBgr(colors, x, FromQRgb(line[x]));
            alpha[x] = static_cast<std::uint8_t>(NearestRatio(qAlpha(line[x]) * std::uint32_t(amount), 255));
        }
    }
    png.Assign(rebuilt);
}

// Alpha of colour types 4 and 6 scaled by (amount + 1) / 256.
void ScaleAlpha(TPNGObject& png, int amount)
{
    const int width = png.Width();
    const int depth = png.BitDepth();
    const std::uint32_t factor = std::uint32_t(amount) + 1;
    const ByteTable table = ScaleTable(factor);
    for (int y = 0; y < png.Height(); ++y) {
        std::uint8_t* alpha = png.AlphaScanline(y);
        for (int x = 0; x < width; ++x) {
            if (depth == 8)
                alpha[x] = table[alpha[x]];
            else
                WriteSample(alpha, std::size_t(x), depth,
                            NearestOver256(ReadSample(alpha, std::size_t(x), depth) * factor));
        }
    }
}

// ---- Grey effect ----

// The two halves of the grey mix: nearest(value × (255 − a) / 256) and nearest(grey × (a + 1) / 256).
struct GreyMix {
    explicit GreyMix(int amount)
        : keep(ScaleTable(255 - std::uint32_t(amount))), grey(ScaleTable(std::uint32_t(amount) + 1))
    {
    }

    std::uint8_t Channel(std::uint8_t value, std::uint8_t greyValue) const
    {
        return static_cast<std::uint8_t>(std::min(255, keep[value] + grey[greyValue]));
    }

    void Apply(std::uint8_t& red, std::uint8_t& green, std::uint8_t& blue) const
    {
        const std::uint8_t r = red;
        const std::uint8_t g = green;
        const std::uint8_t b = blue;
        const auto greyValue = static_cast<std::uint8_t>(NearestHundredth(30u * r + 59u * g + 11u * b));
        red = Channel(r, greyValue);
        green = Channel(g, greyValue);
        blue = Channel(b, greyValue);
    }

    ByteTable keep;
    ByteTable grey;
};

void GreyPalette(TPNGObject& png, const GreyMix& mix)
{
    std::vector<TPaletteEntry> palette = png.Palette();
    if (palette.empty())
        return;
    for (TPaletteEntry& entry : palette)
        mix.Apply(entry.Red, entry.Green, entry.Blue);
    png.SetPalette(palette);
}

void GreyScanlines(TPNGObject& png, const GreyMix& mix)
{
    const int width = png.Width();
    for (int y = 0; y < png.Height(); ++y) {
        std::uint8_t* row = png.Scanline(y);
        for (int x = 0; x < width; ++x)
            mix.Apply(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
}

// 16-bit RGB pictures, through their colours at 8 bits.
void GreyPixels(TPNGObject& png, const GreyMix& mix)
{
    for (int y = 0; y < png.Height(); ++y) {
        for (int x = 0; x < png.Width(); ++x) {
            const TColor color = png.Pixel(x, y);
            std::uint8_t red = GetRValue(color);
            std::uint8_t green = GetGValue(color);
            std::uint8_t blue = GetBValue(color);
            mix.Apply(red, green, blue);
            png.SetPixel(x, y, RGBColor(red, green, blue));
        }
    }
}

// ---- Brighter and darker ----

void MapColorBytes(TPNGObject& png, const ByteTable& table)
{
    if (!IsEightBitRgb(png))
        return;
    KeyToAlpha(png);
    const std::size_t count = std::size_t(png.Width()) * 3;
    for (int y = 0; y < png.Height(); ++y) {
        std::uint8_t* row = png.Scanline(y);
        for (std::size_t i = 0; i < count; ++i)
            row[i] = table[row[i]];
    }
}

ByteTable ShiftTable(int amount)
{
    ByteTable table{};
    for (int value = 0; value < 256; ++value)
        table[std::size_t(value)] = static_cast<std::uint8_t>(std::clamp(value + amount, 0, 255));
    return table;
}

// ---- Resampling ----

// One target position along an axis: the two source indexes it lies between and their weights.
struct AxisSample {
    int low = 0;
    int high = 0;
    float lowWeight = 1.0f;
    float highWeight = 0.0f;
};

// Scale = target / (source − 1), position = index / scale, in single precision. A source of one pixel
// has no span to scale over: every target position takes that pixel.
std::vector<AxisSample> AxisSamples(int target, int source)
{
    std::vector<AxisSample> samples(std::size_t(std::max(target, 0)));
    if (source < 2)
        return samples;
    const float scale = static_cast<float>(target) / static_cast<float>(source - 1);
    for (int i = 0; i < target; ++i) {
        const float position = static_cast<float>(i) / scale;
        AxisSample& sample = samples[std::size_t(i)];
        sample.low = std::min(static_cast<int>(position), source - 1);
        sample.high = std::min(sample.low + 1, source - 1);
        sample.highWeight = position - static_cast<float>(sample.low);
        sample.lowWeight = 1.0f - sample.highWeight;
    }
    return samples;
}

// Source pixels as 8-bit red, green, blue, alpha quadruples, row by row.
std::vector<std::array<std::uint8_t, 4>> ReadRgba(const TPNGObject& png)
{
    std::vector<std::array<std::uint8_t, 4>> pixels;
    pixels.reserve(std::size_t(png.Width()) * std::size_t(png.Height()));
    const int depth = png.BitDepth();
    for (int y = 0; y < png.Height(); ++y) {
        const std::uint8_t* alpha = png.AlphaScanline(y);
        for (int x = 0; x < png.Width(); ++x) {
            const TColor color = png.Pixel(x, y);
            const std::uint8_t a = alpha ? SampleTo8(ReadSample(alpha, std::size_t(x), depth), depth) : 255;
            pixels.push_back({GetRValue(color), GetGValue(color), GetBValue(color), a});
        }
    }
    return pixels;
}

std::array<std::uint8_t, 4> Interpolate(const std::vector<std::array<std::uint8_t, 4>>& pixels, int width,
                                        const AxisSample& sx, const AxisSample& sy)
{
    const std::array<const std::array<std::uint8_t, 4>*, 4> corners = {
        &pixels[std::size_t(sy.low) * std::size_t(width) + std::size_t(sx.low)],
        &pixels[std::size_t(sy.low) * std::size_t(width) + std::size_t(sx.high)],
        &pixels[std::size_t(sy.high) * std::size_t(width) + std::size_t(sx.low)],
        &pixels[std::size_t(sy.high) * std::size_t(width) + std::size_t(sx.high)],
    };
    const std::array<float, 4> weights = {sx.lowWeight * sy.lowWeight, sx.highWeight * sy.lowWeight,
                                          sx.lowWeight * sy.highWeight, sx.highWeight * sy.highWeight};
    std::array<std::uint8_t, 4> result{};
    for (std::size_t channel = 0; channel < result.size(); ++channel) {
        float sum = 0.0f;
        for (std::size_t corner = 0; corner < corners.size(); ++corner)
            sum += static_cast<float>((*corners[corner])[channel]) * weights[corner];
        result[channel] = static_cast<std::uint8_t>(std::clamp(std::nearbyint(sum), 0.0f, 255.0f));
    }
    return result;
}

// Fills target (8-bit, of the source's colour type) with the bilinear samples of a non-empty source.
void Resample(const TPNGObject& source, TPNGObject& target)
{
    const auto pixels = ReadRgba(source);
    const bool withAlpha = source.ColorType() == COLOR_RGBALPHA;
    const std::vector<AxisSample> columns = AxisSamples(target.Width(), source.Width());
    const std::vector<AxisSample> rows = AxisSamples(target.Height(), source.Height());
    for (int y = 0; y < target.Height(); ++y) {
        std::uint8_t* colors = target.Scanline(y);
        std::uint8_t* alpha = target.AlphaScanline(y);
        for (int x = 0; x < target.Width(); ++x) {
            const auto rgba = Interpolate(pixels, source.Width(), columns[std::size_t(x)], rows[std::size_t(y)]);
            WriteBgr(colors, x, RGBColor(rgba[0], rgba[1], rgba[2]));
            if (withAlpha)
                alpha[x] = rgba[3];
        }
    }
}

// ---- Conversions ----

// Alpha prepared row by row for a picture under construction, all opaque at first.
struct AlphaPlane {
    AlphaPlane(int width, int height) : width(width), values(std::size_t(width) * std::size_t(height), 255) {}

    std::uint8_t& At(int x, int y) { return values[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }

    int width;
    std::vector<std::uint8_t> values;
    bool used = false;
};

void CopyAlphaPlane(TPNGObject& png, const AlphaPlane& plane)
{
    for (int y = 0; y < png.Height(); ++y)
        std::copy_n(plane.values.begin() + std::ptrdiff_t(y) * plane.width, plane.width, png.AlphaScanline(y));
}

// The picture of a 24-bit bitmap, with the prepared alpha when it was used.
std::unique_ptr<TPNGObject> MakePicture(const TBitmap& bitmap, const AlphaPlane& alpha)
{
    auto png = std::make_unique<TPNGObject>();
    png->AssignBitmap(bitmap);
    if (alpha.used) {
        png->CreateAlpha();
        CopyAlphaPlane(*png, alpha);
    }
    return png;
}

std::unique_ptr<TPNGObject> FromTransparentBitmap(const TBitmap& source)
{
    const TColor key = ColorToRGB(source.ActualTransparentColor());
    TBitmap bitmap(source.Width(), source.Height(), pf24bit);
    AlphaPlane alpha(source.Width(), source.Height());
    for (int y = 0; y < source.Height(); ++y) {
        for (int x = 0; x < source.Width(); ++x) {
            const TColor color = source.Pixel(x, y);
            bitmap.SetPixel(x, y, color);
            if (color == key) {
                alpha.At(x, y) = 0;
                alpha.used = true;
            }
        }
    }
    return MakePicture(bitmap, alpha);
}

std::unique_ptr<TPNGObject> FromBitmap(const TBitmap& source)
{
    if (source.Transparent)
        return FromTransparentBitmap(source);
    TBitmap bitmap(source.Width(), source.Height(), pf24bit);
    bitmap.Canvas().Draw(0, 0, source);
    return MakePicture(bitmap, AlphaPlane(source.Width(), source.Height()));
}

// Icons always get alpha: from the mask, then from the colour bitmap when it is 32-bit and carries alpha.
std::unique_ptr<TPNGObject> FromIcon(const TIcon& icon)
{
    TBitmap bitmap(ConvertImage(icon.ColorBitmap().Image(), QImage::Format_BGR888));
    AlphaPlane alpha(icon.Width(), icon.Height());
    alpha.used = true;
    const bool colorAlpha = icon.HasAlpha();
    const QImage& color = icon.ColorBitmap().Image();
    for (int y = 0; y < icon.Height(); ++y) {
        for (int x = 0; x < icon.Width(); ++x) {
            const bool masked = icon.MaskBitmap().Pixel(x, y) != clBlack;
            alpha.At(x, y) = colorAlpha ? static_cast<std::uint8_t>(qAlpha(color.pixel(x, y))) : masked ? 0 : 255;
        }
    }
    return MakePicture(bitmap, alpha);
}

std::unique_ptr<TPNGObject> FromArgbImage(const QImage& image)
{
    auto png = std::make_unique<TPNGObject>();
    png->CreateBlank(COLOR_RGBALPHA, 8, image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* colors = png->Scanline(y);
        std::uint8_t* alpha = png->AlphaScanline(y);
        for (int x = 0; x < image.width(); ++x) {
            WriteBgr(colors, x, FromQRgb(line[x]));
            alpha[x] = static_cast<std::uint8_t>(qAlpha(line[x]));
        }
    }
    return png;
}

std::unique_ptr<TPNGObject> FromOtherGraphic(const TGraphic& source)
{
    QImage image = AllocateImage(source.Width(), source.Height(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    if (!source.Empty()) {
        TCanvas canvas(&image);
        source.Draw(canvas, QRect(0, 0, source.Width(), source.Height()));
    }
    return FromArgbImage(image);
}

// The picture of a bitmap as CreatePNG starts it: directly from 24- and 32-bit bitmaps, else from a 24-bit copy.
std::unique_ptr<TPNGObject> PictureWithAlpha(const TBitmap& bitmap)
{
    auto png = std::make_unique<TPNGObject>();
    if (bitmap.PixelFormat() == pf24bit || bitmap.PixelFormat() == pf32bit) {
        png->AssignBitmap(bitmap);
    } else {
        TBitmap copy(bitmap);
        copy.SetPixelFormat(pf24bit);
        png->AssignBitmap(copy);
    }
    png->CreateAlpha();
    return png;
}

std::uint8_t MaskRed(const TBitmap& mask, int x, int y)
{
    return x < mask.Width() && y < mask.Height() ? GetRValue(mask.Pixel(x, y)) : 255;
}

std::unique_ptr<TPNGObject> SlicePart(const TPNGObject& png, const QRect& part)
{
    TBitmap bitmap(part.width(), part.height(), pf24bit);
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x)
            bitmap.SetPixel(x, y, png.Pixel(part.x() + x, part.y() + y));
    auto slice = std::make_unique<TPNGObject>();
    slice->AssignBitmap(bitmap);
    if (!HasAlphaChannel(png.ColorType()))
        return slice;
    slice->CreateAlpha();
    const int depth = png.BitDepth();
    for (int y = 0; y < part.height(); ++y) {
        const std::uint8_t* from = png.AlphaScanline(part.y() + y);
        std::uint8_t* to = slice->AlphaScanline(y);
        for (int x = 0; x < part.width(); ++x)
            to[x] = SampleTo8(ReadSample(from, std::size_t(part.x() + x), depth), depth);
    }
    return slice;
}

// ---- Drawing ----

void ApplyEffects(TPNGObject& png, TPngOptions options)
{
    if (options.Contains(pngBlendOnDisabled))
        MakeImageBlended(png, kBlendAmount);
    if (options.Contains(pngGrayscaleOnDisabled))
        MakeImageGrayscale(png, kGrayscaleAmount);
    if (options.Contains(pngBrighter))
        MakeImageBrighter(png, kBrighterAmount);
    if (options.Contains(pngDarker))
        MakeImageDarker(png, kDarkerAmount);
}

// A copy of the picture with the effects of the options byte applied, ready to draw.
QImage EffectedImage(const TPNGObject& png, std::uint8_t options)
{
    TPNGObject work(png);
    ApplyEffects(work, TPngOptions::FromByte(options));
    return ConvertImage(work.ToQImage(), QImage::Format_ARGB32_Premultiplied);
}

} // namespace

void DrawPNG(const TPNGObject& png, TCanvas& canvas, const QRect& rect, TPngOptions options)
{
    if (options.Empty())
        png.Draw(canvas, rect);
    else if (!png.Empty() && !rect.isEmpty())
        canvas.DrawImage(rect, png.DerivedImage(options.Byte(), &EffectedImage));
}

void MakeImageBlended(TPNGObject& png, int amount)
{
    const int a = ClampAmount(amount);
    switch (png.ColorType()) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        RebuildWithAlpha(png, a);
        return;
    case COLOR_RGB:
        png.CreateAlpha();
        break;
    default:
        break;
    }
    ScaleAlpha(png, a);
}

void MakeImageGrayscale(TPNGObject& png, int amount)
{
    const GreyMix mix(ClampAmount(amount));
    if (png.ColorType() == COLOR_GRAYSCALE || png.ColorType() == COLOR_GRAYSCALEALPHA)
        return;
    KeyToAlpha(png);
    if (png.ColorType() == COLOR_PALETTE)
        GreyPalette(png, mix);
    else if (png.BitDepth() == 8)
        GreyScanlines(png, mix);
    else
        GreyPixels(png, mix);
}

void MakeImageBrighter(TPNGObject& png, int amount)
{
    MapColorBytes(png, ShiftTable(ClampAmount(amount)));
}

void MakeImageDarker(TPNGObject& png, int amount)
{
    MapColorBytes(png, ShiftTable(-ClampAmount(amount)));
}

void MakeImageAlphaChannel(TPNGObject& png, int amount)
{
    switch (png.ColorType()) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        RebuildWithAlpha(png, ClampAmount(amount));
        break;
    case COLOR_RGB:
        png.CreateAlpha();
        break;
    default:
        break;
    }
}

void SmoothResize(TPNGObject& png, int width, int height)
{
    if (png.ColorType() != COLOR_RGB && png.ColorType() != COLOR_RGBALPHA)
        throw EPNGError("Only COLOR_RGBALPHA and COLOR_RGB formats are supported");
    TPNGObject resized;
    resized.CreateBlank(png.ColorType(), 8, width, height);
    if (!png.Empty())
        Resample(png, resized);
    png.Assign(resized);
}


std::unique_ptr<TPNGObject> ConvertToPNG(const TGraphic& source)
{
    if (const auto* png = dynamic_cast<const TPNGObject*>(&source))
        return std::make_unique<TPNGObject>(*png);
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source))
        return FromBitmap(*bitmap);
    if (const auto* icon = dynamic_cast<const TIcon*>(&source))
        return FromIcon(*icon);
    return FromOtherGraphic(source);
}

std::unique_ptr<TPNGObject> CreatePNG(const TBitmap& color, const TBitmap& mask, bool inverseMask)
{
    auto png = PictureWithAlpha(color);
    for (int y = 0; y < png->Height(); ++y) {
        std::uint8_t* alpha = png->AlphaScanline(y);
        for (int x = 0; x < png->Width(); ++x) {
            const std::uint8_t red = MaskRed(mask, x, y);
            alpha[x] = inverseMask ? static_cast<std::uint8_t>(255 - red) : red;
        }
    }
    return png;
}

std::unique_ptr<TPNGObject> CreatePNGMasked(const TBitmap& bitmap, TColor maskColor)
{
    const TColor key = ColorToRGB(maskColor);
    auto png = PictureWithAlpha(bitmap);
    for (int y = 0; y < png->Height(); ++y) {
        std::uint8_t* alpha = png->AlphaScanline(y);
        for (int x = 0; x < png->Width(); ++x)
            alpha[x] = bitmap.Pixel(x, y) == key ? 0 : 255;
    }
    return png;
}

void CopyImageFromImageList(TPNGObject& png, const TCustomImageList& list, int index)
{
    if (const auto* pngList = dynamic_cast<const TPngImageList*>(&list)) {
        const TPngImageCollectionItem* item = pngList->PngImages().GetItem(index);
        if (item && item->PngImage())
            png.Assign(*item->PngImage());
        return;
    }
    TIcon icon;
    if (!list.GetIcon(index, icon))
        return;
    TBitmap color(icon.ColorBitmap());
    color.SetPixelFormat(pf24bit);
    png.AssignBitmap(color);
    png.CreateAlpha();
    for (int y = 0; y < png.Height(); ++y) {
        std::uint8_t* alpha = png.AlphaScanline(y);
        for (int x = 0; x < png.Width(); ++x)
            alpha[x] = icon.MaskBitmap().Pixel(x, y) == clBlack ? 255 : 0;
    }
}

std::vector<std::unique_ptr<TPNGObject>> SlicePNG(const TPNGObject& png, int columns, int rows)
{
    std::vector<std::unique_ptr<TPNGObject>> parts;
    if (columns < 1 || rows < 1)
        return parts;
    const int partWidth = png.Width() / columns;
    const int partHeight = png.Height() / rows;
    if (partWidth == 0 || partHeight == 0)
        return parts;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            parts.push_back(SlicePart(png, QRect(column * partWidth, row * partHeight, partWidth, partHeight)));
    return parts;
}
