#include "png/pngobject.h"

#include "classlib/graphics/bitmap.h"
#include "classlib/graphics/canvas.h"
#include "classlib/base/exception.h"
#include "classlib/graphics/imageallocation.h"
#include "png/pngcodec.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

namespace {

// The picture's pixels split into colour rows and, for colour types 4 and 6, alpha rows.
struct Picture {
    PngFormat format;
    std::size_t colorRowBytes = 0;
    std::size_t alphaRowBytes = 0;
    std::vector<std::uint8_t> color;
    std::vector<std::uint8_t> alpha;

    int Depth() const { return format.bitDepth; }
    const std::uint8_t* ColorRow(int y) const { return color.data() + std::size_t(y) * colorRowBytes; }
    std::uint8_t* ColorRow(int y) { return color.data() + std::size_t(y) * colorRowBytes; }
    const std::uint8_t* AlphaRow(int y) const { return alpha.data() + std::size_t(y) * alphaRowBytes; }
    std::uint8_t* AlphaRow(int y) { return alpha.data() + std::size_t(y) * alphaRowBytes; }
};

void SetRowSizes(Picture& picture)
{
    const PngFormat& format = picture.format;
    picture.colorRowBytes = PackedRowBytes(format.width, ColorSampleCount(format.colorType), format.bitDepth);
    picture.alphaRowBytes = HasAlphaChannel(format.colorType) ? PackedRowBytes(format.width, 1, format.bitDepth) : 0;
}

void Allocate(Picture& picture)
{
    SetRowSizes(picture);
    picture.color.assign(picture.colorRowBytes * std::size_t(picture.format.height), 0);
    picture.alpha.assign(picture.alphaRowBytes * std::size_t(picture.format.height), 0);
}

std::vector<TPaletteEntry> GreyRamp(int bitDepth)
{
    const int max = MaxSampleValue(bitDepth);
    std::vector<TPaletteEntry> ramp;
    for (int i = 0; i <= max; ++i) {
        const auto grey = std::uint8_t(i * 255 / max);
        ramp.push_back(TPaletteEntry{grey, grey, grey});
    }
    return ramp;
}

Picture MakeBlank(int colorType, int bitDepth, int width, int height)
{
    if (!IsValidPngFormat(colorType, bitDepth) || width < 0 || height < 0)
        RaisePngError(PngErrorCause::InvalidFormat);
    CheckPngSize(width, height);
    Picture picture;
    picture.format.width = width;
    picture.format.height = height;
    picture.format.colorType = colorType;
    picture.format.bitDepth = bitDepth;
    if (colorType == COLOR_PALETTE)
        picture.format.palette = GreyRamp(bitDepth);
    Allocate(picture);
    return picture;
}

// Copies count bytes and moves both positions on: one step of splitting or interleaving colour and alpha.
void CopyPixelBytes(const std::uint8_t* from, std::uint8_t* to, std::size_t count, std::size_t& fromAt, std::size_t& toAt)
{
    std::memcpy(to + toAt, from + fromAt, count);
    fromAt += count;
    toAt += count;
}

// Splits interleaved pixels of colourBytes colour bytes and alphaBytes alpha bytes each into the colour
// and alpha rows; the sizes are constants, so that each copy is a few moves.
template <std::size_t colorBytes, std::size_t alphaBytes>
void SplitPixels(const std::uint8_t* from, std::uint8_t* color, std::uint8_t* alpha, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(color, from, colorBytes);
        std::memcpy(alpha, from + colorBytes, alphaBytes);
        from += colorBytes + alphaBytes;
        color += colorBytes;
        alpha += alphaBytes;
    }
}

Picture FromImage(PngImage&& image)
{
    Picture picture;
    picture.format = std::move(image.format);
    SetRowSizes(picture);
    if (!HasAlphaChannel(picture.format.colorType)) {
        picture.color = std::move(image.pixels);
        return picture;
    }
    Allocate(picture);
    const std::size_t count = std::size_t(picture.format.width) * std::size_t(picture.format.height);
    const bool rgb = ColorSampleCount(picture.format.colorType) == 3;
    const auto split = picture.Depth() == 16 ? (rgb ? SplitPixels<6, 2> : SplitPixels<2, 2>)
                                             : (rgb ? SplitPixels<3, 1> : SplitPixels<1, 1>);
    split(image.pixels.data(), picture.color.data(), picture.alpha.data(), count);
    return picture;
}

PngImage ToImage(const Picture& picture)
{
    PngImage image;
    image.format = picture.format;
    if (!HasAlphaChannel(picture.format.colorType)) {
        image.pixels = picture.color;
        return image;
    }
    image.pixels.resize(picture.color.size() + picture.alpha.size());
    const std::size_t sampleBytes = std::size_t(picture.Depth() / 8);
    const std::size_t colorBytes = sampleBytes * std::size_t(ColorSampleCount(picture.format.colorType));
    std::size_t fromColor = 0;
    std::size_t fromAlpha = 0;
    std::size_t to = 0;
    for (std::size_t i = 0, n = std::size_t(picture.format.width) * std::size_t(picture.format.height); i < n; ++i) {
        CopyPixelBytes(picture.color.data(), image.pixels.data(), colorBytes, fromColor, to);
        CopyPixelBytes(picture.alpha.data(), image.pixels.data(), sampleBytes, fromAlpha, to);
    }
    return image;
}

TPaletteEntry PaletteEntry(const PngFormat& format, std::uint32_t index)
{
    return index < format.palette.size() ? format.palette[index] : TPaletteEntry{};
}

std::uint8_t PaletteAlpha(const PngFormat& format, std::uint32_t index)
{
    return index < format.paletteAlpha.size() ? format.paletteAlpha[index] : 255;
}

TColor ColorAt(const Picture& picture, int x, int y)
{
    const std::uint8_t* row = picture.ColorRow(y);
    const int depth = picture.Depth();
    switch (picture.format.colorType) {
    case COLOR_PALETTE: {
        const TPaletteEntry entry = PaletteEntry(picture.format, ReadSample(row, std::size_t(x), depth));
        return RGBColor(entry.Red, entry.Green, entry.Blue);
    }
    case COLOR_RGB:
    case COLOR_RGBALPHA: {
        const std::size_t at = std::size_t(x) * 3;
        return RGBColor(SampleTo8(ReadSample(row, at + 2, depth), depth), SampleTo8(ReadSample(row, at + 1, depth), depth),
                        SampleTo8(ReadSample(row, at, depth), depth));
    }
    default: {
        const std::uint8_t grey = SampleTo8(ReadSample(row, std::size_t(x), depth), depth);
        return RGBColor(grey, grey, grey);
    }
    }
}

bool MatchesColorKey(const Picture& picture, int x, int y)
{
    const PngColorKey& key = *picture.format.colorKey;
    const std::uint8_t* row = picture.ColorRow(y);
    const int depth = picture.Depth();
    if (picture.format.colorType == COLOR_GRAYSCALE)
        return ReadSample(row, std::size_t(x), depth) == key.gray;
    const std::size_t at = std::size_t(x) * 3;
    return ReadSample(row, at, depth) == key.blue && ReadSample(row, at + 1, depth) == key.green &&
           ReadSample(row, at + 2, depth) == key.red;
}

// A pixel's opacity on the 0..255 scale: its alpha sample, its palette entry's tRNS, or its colour key.
std::uint8_t AlphaAt(const Picture& picture, int x, int y)
{
    if (HasAlphaChannel(picture.format.colorType))
        return SampleTo8(ReadSample(picture.AlphaRow(y), std::size_t(x), picture.Depth()), picture.Depth());
    if (picture.format.colorType == COLOR_PALETTE)
        return PaletteAlpha(picture.format, ReadSample(picture.ColorRow(y), std::size_t(x), picture.Depth()));
    if (picture.format.colorKey && MatchesColorKey(picture, x, y))
        return 0;
    return 255;
}

std::uint32_t NearestPaletteIndex(const std::vector<TPaletteEntry>& palette, TColor color)
{
    std::uint32_t best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int dr = palette[i].Red - GetRValue(color);
        const int dg = palette[i].Green - GetGValue(color);
        const int db = palette[i].Blue - GetBValue(color);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = std::uint32_t(i);
        }
    }
    return best;
}

std::uint8_t GreyOf(TColor color)
{
    return std::uint8_t((GetRValue(color) * 30 + GetGValue(color) * 59 + GetBValue(color) * 11) / 100);
}

void SetColorAt(Picture& picture, int x, int y, TColor color)
{
    std::uint8_t* row = picture.ColorRow(y);
    const int depth = picture.Depth();
    switch (picture.format.colorType) {
    case COLOR_PALETTE:
        WriteSample(row, std::size_t(x), depth, NearestPaletteIndex(picture.format.palette, color));
        break;
    case COLOR_RGB:
    case COLOR_RGBALPHA:
        WriteSample(row, std::size_t(x) * 3, depth, SampleFrom8(GetBValue(color), depth));
        WriteSample(row, std::size_t(x) * 3 + 1, depth, SampleFrom8(GetGValue(color), depth));
        WriteSample(row, std::size_t(x) * 3 + 2, depth, SampleFrom8(GetRValue(color), depth));
        break;
    default:
        WriteSample(row, std::size_t(x), depth, SampleFrom8(GreyOf(color), depth));
        break;
    }
}

// The colour samples of pixel (x, y) of a picture without alpha, written at the target's bit depth.
void CopyColorSamples(const Picture& from, Picture& to, int x, int y)
{
    std::uint8_t* target = to.ColorRow(y);
    if (from.format.colorType == COLOR_PALETTE) {
        const TPaletteEntry entry = PaletteEntry(from.format, ReadSample(from.ColorRow(y), std::size_t(x), from.Depth()));
        WriteSample(target, std::size_t(x) * 3, 8, entry.Blue);
        WriteSample(target, std::size_t(x) * 3 + 1, 8, entry.Green);
        WriteSample(target, std::size_t(x) * 3 + 2, 8, entry.Red);
        return;
    }
    const int samples = ColorSampleCount(from.format.colorType);
    for (int i = 0; i < samples; ++i) {
        const std::size_t at = std::size_t(x) * std::size_t(samples) + std::size_t(i);
        std::uint32_t value = ReadSample(from.ColorRow(y), at, from.Depth());
        if (from.Depth() != to.Depth())
            value = SampleTo8(value, from.Depth());
        WriteSample(target, at, to.Depth(), value);
    }
}

Picture WithAlpha(const Picture& from)
{
    const bool grey = from.format.colorType == COLOR_GRAYSCALE;
    const int depth = from.Depth() == 16 ? 16 : 8;
    Picture to = MakeBlank(grey ? COLOR_GRAYSCALEALPHA : COLOR_RGBALPHA, depth, from.format.width, from.format.height);
    to.format.interlaced = from.format.interlaced;
    for (int y = 0; y < from.format.height; ++y) {
        for (int x = 0; x < from.format.width; ++x) {
            CopyColorSamples(from, to, x, y);
            WriteSample(to.AlphaRow(y), std::size_t(x), depth, SampleFrom8(AlphaAt(from, x, y), depth));
        }
    }
    return to;
}

TPNGTransparencyMode PaletteTransparencyMode(const PngFormat& format)
{
    const auto& alpha = format.paletteAlpha;
    const auto transparent = std::count(alpha.begin(), alpha.end(), std::uint8_t(0));
    const auto opaque = std::count(alpha.begin(), alpha.end(), std::uint8_t(255));
    if (transparent + opaque < std::ptrdiff_t(alpha.size()) || transparent > 1)
        return ptmPartial;
    return transparent == 1 ? ptmBit : ptmNone;
}

TColor KeyColor(const PngFormat& format)
{
    const PngColorKey& key = *format.colorKey;
    if (format.colorType == COLOR_GRAYSCALE) {
        const std::uint8_t grey = SampleTo8(key.gray, format.bitDepth);
        return RGBColor(grey, grey, grey);
    }
    return RGBColor(SampleTo8(key.red, format.bitDepth), SampleTo8(key.green, format.bitDepth),
                    SampleTo8(key.blue, format.bitDepth));
}

void CopyColorRowTo24(const Picture& picture, int y, std::uint8_t* out)
{
    if (picture.Depth() == 8 && ColorSampleCount(picture.format.colorType) == 3) {
        std::memcpy(out, picture.ColorRow(y), std::size_t(picture.format.width) * 3);
        return;
    }
    for (int x = 0; x < picture.format.width; ++x) {
        const TColor color = ColorAt(picture, x, y);
        out[3 * x] = GetBValue(color);
        out[3 * x + 1] = GetGValue(color);
        out[3 * x + 2] = GetRValue(color);
    }
}

void CopyBitmapRow(const QImage& image, int y, std::uint8_t* out)
{
    if (image.format() == QImage::Format_BGR888) {
        std::memcpy(out, image.constScanLine(y), std::size_t(image.width()) * 3);
        return;
    }
    for (int x = 0; x < image.width(); ++x) {
        const QRgb rgb = image.pixel(x, y);
        out[3 * x] = std::uint8_t(qBlue(rgb));
        out[3 * x + 1] = std::uint8_t(qGreen(rgb));
        out[3 * x + 2] = std::uint8_t(qRed(rgb));
    }
}

// 8-bit RGB and RGBA pictures without a colour key, the common case when drawing: read straight from the rows.
bool IsPlainEightBitRgb(const Picture& picture)
{
    return picture.Depth() == 8 && ColorSampleCount(picture.format.colorType) == 3 && !picture.format.colorKey;
}

QImage EightBitRgbImage(const Picture& picture, QImage::Format format)
{
    const bool premultiplied = format == QImage::Format_ARGB32_Premultiplied;
    const bool withAlpha = HasAlphaChannel(picture.format.colorType);
    QImage image = AllocateImage(picture.format.width, picture.format.height, format);
    for (int y = 0; y < picture.format.height; ++y) {
        const std::uint8_t* colors = picture.ColorRow(y);
        const std::uint8_t* alpha = withAlpha ? picture.AlphaRow(y) : nullptr;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.format.width; ++x) {
            const QRgb rgba = qRgba(colors[3 * x + 2], colors[3 * x + 1], colors[3 * x], alpha ? alpha[x] : 255);
            line[x] = premultiplied ? qPremultiply(rgba) : rgba;
        }
    }
    return image;
}

} // namespace

namespace {

// The images a picture was drawn as. While rows of the picture are out for writing, the rows the images
// were made from are kept beside them, to be compared before each use.
struct DrawnImages {
    QImage premultiplied;
    std::vector<std::pair<std::uint8_t, QImage>> derived;
    std::vector<std::uint8_t> color;
    std::vector<std::uint8_t> alpha;
};

} // namespace

// Copies share the drawn images, except those of a picture whose rows are out for writing: its rows may
// change behind its back. Copying always allocates fresh rows, so rows handed out never point into a copy.
struct TPNGObject::Data : Picture {
    Data() = default;
    explicit Data(Picture&& picture) : Picture(std::move(picture)) {}
    Data(const Data& other) : Picture(other), drawn(other.rowsLent ? nullptr : other.drawn) {}
    Data(Data&&) = default;
    Data& operator=(const Data&) = delete;
    Data& operator=(Data&&) = default;

    // The drawn images for the rows as they are now.
    DrawnImages& Drawn()
    {
        if (drawn && rowsLent && (drawn->color != color || drawn->alpha != alpha))
            drawn.reset();
        if (!drawn) {
            drawn = std::make_shared<DrawnImages>();
            if (rowsLent) {
                drawn->color = color;
                drawn->alpha = alpha;
            }
        }
        return *drawn;
    }

    std::shared_ptr<DrawnImages> drawn;
    bool rowsLent = false;
};

TPNGObject::TPNGObject() : data_(std::make_unique<Data>(MakeBlank(COLOR_RGB, 8, 0, 0))) {}

TPNGObject::TPNGObject(const TPNGObject& other) : data_(std::make_unique<Data>(*other.data_)) {}

TPNGObject& TPNGObject::operator=(const TPNGObject& other)
{
    Assign(other);
    return *this;
}

TPNGObject::~TPNGObject() = default;

void TPNGObject::CreateBlank(int colorType, int bitDepth, int width, int height)
{
    *data_ = Data(MakeBlank(colorType, bitDepth, width, height));
}

void TPNGObject::Assign(const TPNGObject& source)
{
    if (this != &source)
        *data_ = Data(*source.data_);
}

void TPNGObject::AssignBitmap(const TBitmap& bitmap)
{
    const QImage& image = bitmap.Image();
    Data fresh(MakeBlank(COLOR_RGB, 8, image.width(), image.height()));
    for (int y = 0; y < image.height(); ++y)
        CopyBitmapRow(image, y, fresh.ColorRow(y));
    *data_ = std::move(fresh);
}

void TPNGObject::AssignTo(TBitmap& bitmap) const
{
    QImage image = AllocateImage(Width(), Height(), QImage::Format_BGR888);
    for (int y = 0; y < Height(); ++y)
        CopyColorRowTo24(*data_, y, image.scanLine(y));
    bitmap.Image() = std::move(image);
}

void TPNGObject::LoadFromStream(std::istream& stream)
{
    Data fresh(FromImage(ReadPng(stream)));
    *data_ = std::move(fresh);
}

void TPNGObject::SaveToStream(std::ostream& stream) const
{
    WritePng(ToImage(*data_), stream);
}

void TPNGObject::LoadFromFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        RaisePngError(PngErrorCause::OpenFailed, path);
    LoadFromStream(file);
}

void TPNGObject::SaveToFile(const std::string& path) const
{
    // Encoded in memory first, so that a picture that cannot be saved leaves no half-written file.
    std::ostringstream encoded;
    SaveToStream(encoded);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file || !file.write(encoded.view().data(), std::streamsize(encoded.view().size())) || !file.flush())
        RaisePngError(PngErrorCause::CreateFailed, path);
}

int TPNGObject::Width() const
{
    return data_->format.width;
}

int TPNGObject::Height() const
{
    return data_->format.height;
}

bool TPNGObject::Empty() const
{
    return Width() == 0 || Height() == 0;
}

int TPNGObject::ColorType() const
{
    return data_->format.colorType;
}

int TPNGObject::BitDepth() const
{
    return data_->format.bitDepth;
}

bool TPNGObject::Interlaced() const
{
    return data_->format.interlaced;
}

TPNGTransparencyMode TPNGObject::TransparencyMode() const
{
    if (HasAlphaChannel(ColorType()))
        return ptmPartial;
    if (ColorType() == COLOR_PALETTE)
        return PaletteTransparencyMode(data_->format);
    return data_->format.colorKey ? ptmBit : ptmNone;
}

TColor TPNGObject::TransparentColor() const
{
    if (TransparencyMode() != ptmBit)
        return clNone;
    if (ColorType() != COLOR_PALETTE)
        return KeyColor(data_->format);
    const auto& alpha = data_->format.paletteAlpha;
    const auto index = std::uint32_t(std::find(alpha.begin(), alpha.end(), std::uint8_t(0)) - alpha.begin());
    const TPaletteEntry entry = PaletteEntry(data_->format, index);
    return RGBColor(entry.Red, entry.Green, entry.Blue);
}

void TPNGObject::CreateAlpha()
{
    if (!HasAlphaChannel(ColorType()))
        *data_ = Data(WithAlpha(*data_));
}

std::uint8_t* TPNGObject::Scanline(int row)
{
    auto* bytes = const_cast<std::uint8_t*>(std::as_const(*this).Scanline(row));
    Changed();
    data_->rowsLent = true;
    return bytes;
}

const std::uint8_t* TPNGObject::Scanline(int row) const
{
    if (row < 0 || row >= Height())
        RaiseRangeError(PngErrorCause::RowOutOfRange);
    return data_->ColorRow(row);
}

std::uint8_t* TPNGObject::AlphaScanline(int row)
{
    auto* bytes = const_cast<std::uint8_t*>(std::as_const(*this).AlphaScanline(row));
    Changed();
    data_->rowsLent = true;
    return bytes;
}

const std::uint8_t* TPNGObject::AlphaScanline(int row) const
{
    if (row < 0 || row >= Height())
        RaiseRangeError(PngErrorCause::RowOutOfRange);
    return HasAlphaChannel(ColorType()) ? data_->AlphaRow(row) : nullptr;
}

TColor TPNGObject::Pixel(int x, int y) const
{
    if (x < 0 || x >= Width() || y < 0 || y >= Height())
        RaiseRangeError(PngErrorCause::PixelOutOfRange);
    return ColorAt(*data_, x, y);
}

void TPNGObject::SetPixel(int x, int y, TColor color)
{
    if (x < 0 || x >= Width() || y < 0 || y >= Height())
        RaiseRangeError(PngErrorCause::PixelOutOfRange);
    SetColorAt(*data_, x, y, ColorToRGB(color));
    Changed();
}

std::vector<TPaletteEntry> TPNGObject::Palette() const
{
    return ColorType() == COLOR_PALETTE ? data_->format.palette : std::vector<TPaletteEntry>{};
}

void TPNGObject::SetPalette(const std::vector<TPaletteEntry>& entries)
{
    if (ColorType() != COLOR_PALETTE)
        RaisePngError(PngErrorCause::NotPalette);
    if (entries.empty() || entries.size() > std::size_t(MaxSampleValue(BitDepth())) + 1)
        RaisePngError(PngErrorCause::InvalidPalette);
    data_->format.palette = entries;
    if (data_->format.paletteAlpha.size() > entries.size())
        data_->format.paletteAlpha.resize(entries.size());
    Changed();
}

QImage TPNGObject::ToQImage() const
{
    if (IsPlainEightBitRgb(*data_))
        return EightBitRgbImage(*data_, QImage::Format_ARGB32);
    QImage image = AllocateImage(Width(), Height(), QImage::Format_ARGB32);
    for (int y = 0; y < Height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < Width(); ++x) {
            const TColor color = ColorAt(*data_, x, y);
            line[x] = qRgba(GetRValue(color), GetGValue(color), GetBValue(color), AlphaAt(*data_, x, y));
        }
    }
    return image;
}

void TPNGObject::Draw(TCanvas& canvas, const QRect& rect) const
{
    if (Empty() || rect.isEmpty())
        return;
    DrawnImages& drawn = data_->Drawn();
    if (drawn.premultiplied.isNull())
        drawn.premultiplied = IsPlainEightBitRgb(*data_)
                                  ? EightBitRgbImage(*data_, QImage::Format_ARGB32_Premultiplied)
                                  : ConvertImage(ToQImage(), QImage::Format_ARGB32_Premultiplied);
    canvas.DrawImage(rect, drawn.premultiplied);
}

QImage TPNGObject::DerivedImage(std::uint8_t key, ImageMaker make) const
{
    for (const auto& [madeFor, image] : data_->Drawn().derived)
        if (madeFor == key)
            return image;
    QImage image = make(*this, key);
    data_->Drawn().derived.emplace_back(key, image);
    return image;
}

void TPNGObject::Changed()
{
    data_->drawn.reset();
}
