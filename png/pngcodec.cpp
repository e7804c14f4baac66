#include "png/pngcodec.h"

#include "classlib/base/exception.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>

// libpng reports errors through a callback that must not return; it leaves with png_longjmp back to the
// setjmp in DecodeRows or EncodeRows. Between that setjmp and any libpng call, no frame holds an object
// with a destructor: every buffer is owned by the caller of those functions, and the message is copied
// into a plain array so that the EPNGError is thrown only after the jump has landed.

const char* PngErrorText(PngErrorCause cause)
{
    switch (cause) {
    case PngErrorCause::EmptyStream: return "The stream holds no PNG data";
    case PngErrorCause::TooLarge: return "The PNG picture is too large";
    case PngErrorCause::InvalidFormat: return "Invalid PNG colour type, bit depth or size";
    case PngErrorCause::EmptyPicture: return "An empty picture cannot be saved";
    case PngErrorCause::NotPalette: return "The picture has no palette";
    case PngErrorCause::InvalidPalette: return "The palette needs 1 to 2^bit depth entries";
    case PngErrorCause::OpenFailed: return "Cannot open the PNG file";
    case PngErrorCause::CreateFailed: return "Cannot create the PNG file";
    case PngErrorCause::OutOfMemory: return "Out of memory for the PNG codec";
    case PngErrorCause::PixelOutOfRange: return "Pixel position outside the picture";
    case PngErrorCause::RowOutOfRange: return "Scan line index outside the picture";
    }
    return "PNG error";
}

void RaisePngError(PngErrorCause cause, const std::string& detail)
{
    const std::string text = PngErrorText(cause);
    throw EPNGError(detail.empty() ? text : text + ": " + detail);
}

void RaiseRangeError(PngErrorCause cause)
{
    throw ERangeError(PngErrorText(cause));
}

bool IsValidPngFormat(int colorType, int bitDepth)
{
    switch (colorType) {
    case COLOR_GRAYSCALE: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case COLOR_PALETTE: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case COLOR_RGB:
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA: return bitDepth == 8 || bitDepth == 16;
    default: return false;
    }
}

bool HasAlphaChannel(int colorType)
{
    return colorType == COLOR_GRAYSCALEALPHA || colorType == COLOR_RGBALPHA;
}

int ColorSampleCount(int colorType)
{
    return colorType == COLOR_RGB || colorType == COLOR_RGBALPHA ? 3 : 1;
}

int ChannelCount(int colorType)
{
    return ColorSampleCount(colorType) + (HasAlphaChannel(colorType) ? 1 : 0);
}

std::size_t PackedRowBytes(int width, int samplesPerPixel, int bitDepth)
{
    const std::size_t bits = std::size_t(width) * std::size_t(samplesPerPixel) * std::size_t(bitDepth);
    return (bits + 7) / 8;
}

bool FitsPngGuards(int width, int height)
{
    if (width > kPngMaxDimension || height > kPngMaxDimension)
        return false;
    return std::size_t(width) * std::size_t(height) * kPngWorkingBytesPerPixel <= kPngMaxBytes;
}

void CheckPngSize(int width, int height)
{
    if (!FitsPngGuards(width, height))
        RaisePngError(PngErrorCause::TooLarge, std::to_string(width) + " x " + std::to_string(height) + " pixels");
}

std::uint32_t ReadSample(const std::uint8_t* row, std::size_t index, int bitDepth)
{
    if (bitDepth == 8)
        return row[index];
    if (bitDepth == 16)
        return std::uint32_t(row[2 * index]) << 8 | row[2 * index + 1];
    const std::size_t bit = index * std::size_t(bitDepth);
    const int shift = 8 - bitDepth - int(bit % 8);
    return (row[bit / 8] >> shift) & std::uint32_t(MaxSampleValue(bitDepth));
}

void WriteSample(std::uint8_t* row, std::size_t index, int bitDepth, std::uint32_t value)
{
    if (bitDepth == 8) {
        row[index] = std::uint8_t(value);
    } else if (bitDepth == 16) {
        row[2 * index] = std::uint8_t(value >> 8);
        row[2 * index + 1] = std::uint8_t(value);
    } else {
        const std::size_t bit = index * std::size_t(bitDepth);
        const int shift = 8 - bitDepth - int(bit % 8);
        const std::uint32_t mask = std::uint32_t(MaxSampleValue(bitDepth)) << shift;
        std::uint8_t& byte = row[bit / 8];
        byte = std::uint8_t((byte & ~mask) | ((value << shift) & mask));
    }
}

int MaxSampleValue(int bitDepth)
{
    return (1 << bitDepth) - 1;
}

std::uint8_t SampleTo8(std::uint32_t value, int bitDepth)
{
    if (bitDepth == 16)
        return std::uint8_t((value * 255 + 32895) >> 16);
    return std::uint8_t(std::min<std::uint32_t>(value, MaxSampleValue(bitDepth)) * 255 / MaxSampleValue(bitDepth));
}

std::uint32_t SampleFrom8(std::uint8_t value, int bitDepth)
{
    if (bitDepth == 16)
        return std::uint32_t(value) * 257;
    const std::uint32_t max = MaxSampleValue(bitDepth);
    return (std::uint32_t(value) * max + 127) / 255;
}

bool PeekPngSize(const char* file, std::size_t size, int& width, int& height)
{
    // The signature, then the header chunk: its length (13), its type, width and height (big-endian).
    static constexpr unsigned char kStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    if (size < sizeof kStart + 8 || std::memcmp(file, kStart, sizeof kStart) != 0)
        return false;
    const auto number = [file](std::size_t at) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(file + at);
        const std::uint32_t value = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
                                    std::uint32_t(bytes[2]) << 8 | bytes[3];
        return int(std::min<std::uint32_t>(value, 0x7FFFFFFF));
    };
    width = number(sizeof kStart);
    height = number(sizeof kStart + 4);
    return true;
}

namespace {

// Shared with libpng as both its I/O and its error pointer; plain data, so a jump can pass over it.
struct PngIoState {
    std::istream* in = nullptr;
    std::ostream* out = nullptr;
    char message[256] = {};
};

PngIoState& IoState(png_structp png)
{
    return *static_cast<PngIoState*>(png_get_error_ptr(png));
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp message)
{
    std::snprintf(IoState(png).message, sizeof IoState(png).message, "%s",
                  message && *message ? message : "Unknown PNG error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep data, png_size_t length)
{
    std::istream& in = *static_cast<PngIoState*>(png_get_io_ptr(png))->in;
    bool complete = false;
    try {
        in.read(reinterpret_cast<char*>(data), std::streamsize(length));
        complete = in.gcount() == std::streamsize(length);
    } catch (...) {
        complete = false;
    }
    if (!complete)
        png_error(png, "Unexpected end of PNG data");
}

void WriteBytes(png_structp png, png_bytep data, png_size_t length)
{
    std::ostream& out = *static_cast<PngIoState*>(png_get_io_ptr(png))->out;
    bool written = false;
    try {
        written = bool(out.write(reinterpret_cast<const char*>(data), std::streamsize(length)));
    } catch (...) {
        written = false;
    }
    if (!written)
        png_error(png, "Write error");
}

void FlushBytes(png_structp png)
{
    try {
        static_cast<PngIoState*>(png_get_io_ptr(png))->out->flush();
    } catch (...) {
    }
}

class PngReader {
public:
    explicit PngReader(PngIoState& state)
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning))
    {
        if (png_)
            info_ = png_create_info_struct(png_);
        if (!info_) {
            png_destroy_read_struct(&png_, nullptr, nullptr);
            RaisePngError(PngErrorCause::OutOfMemory);
        }
        png_set_read_fn(png_, &state, ReadBytes);
        png_set_user_limits(png_, kPngMaxDimension, kPngMaxDimension);
        // Every chunk but IHDR, PLTE, tRNS, IDAT and IEND is skipped unread: the picture uses no other, and
        // libpng would otherwise set aside the length an ancillary chunk declares before reading it.
        png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    }
    ~PngReader() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

class PngWriter {
public:
    explicit PngWriter(PngIoState& state)
        : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning))
    {
        if (png_)
            info_ = png_create_info_struct(png_);
        if (!info_) {
            png_destroy_write_struct(&png_, nullptr);
            RaisePngError(PngErrorCause::OutOfMemory);
        }
        png_set_write_fn(png_, &state, WriteBytes, FlushBytes);
    }
    ~PngWriter() { png_destroy_write_struct(&png_, &info_); }
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// Everything a decode fills, owned outside the frame that holds the setjmp.
struct DecodeWork {
    PngImage image;
    std::vector<png_bytep> rows;
};

bool KeyFitsDepth(const png_color_16& key, int colorType, int bitDepth)
{
    const int max = MaxSampleValue(bitDepth);
    if (colorType == COLOR_GRAYSCALE)
        return key.gray <= max;
    return key.red <= max && key.green <= max && key.blue <= max;
}

void ReadTransparency(png_structp png, png_infop info, PngFormat& format)
{
    png_bytep alpha = nullptr;
    int count = 0;
    png_color_16p key = nullptr;
    if (!png_get_tRNS(png, info, &alpha, &count, &key))
        return;
    if (format.colorType == COLOR_PALETTE && alpha)
        format.paletteAlpha.assign(alpha, alpha + std::min<int>(count, int(format.palette.size())));
    else if (!HasAlphaChannel(format.colorType) && key && KeyFitsDepth(*key, format.colorType, format.bitDepth))
        format.colorKey = PngColorKey{key->gray, key->red, key->green, key->blue};
}

void ReadFormat(png_structp png, png_infop info, PngFormat& format)
{
    format.width = int(png_get_image_width(png, info));
    format.height = int(png_get_image_height(png, info));
    format.colorType = png_get_color_type(png, info);
    format.bitDepth = png_get_bit_depth(png, info);
    format.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    png_colorp palette = nullptr;
    int count = 0;
    if (format.colorType == COLOR_PALETTE && png_get_PLTE(png, info, &palette, &count)) {
        format.palette.resize(std::size_t(count));
        for (int i = 0; i < count; ++i)
            format.palette[std::size_t(i)] = TPaletteEntry{palette[i].red, palette[i].green, palette[i].blue};
    }
    ReadTransparency(png, info, format);
}

// Refuses a picture too large to work on before its rows are set aside. The message lives in a plain array,
// as png_error leaves this frame by a jump.
void CheckSize(png_structp png, const PngFormat& format)
{
    if (FitsPngGuards(format.width, format.height))
        return;
    char message[128];
    std::snprintf(message, sizeof message, "%s: %d x %d pixels", PngErrorText(PngErrorCause::TooLarge),
                  format.width, format.height);
    png_error(png, message);
}

void PrepareRows(png_structp png, png_infop info, DecodeWork& work)
{
    const PngFormat& format = work.image.format;
    const std::size_t rowBytes = PackedRowBytes(format.width, ChannelCount(format.colorType), format.bitDepth);
    if (png_get_rowbytes(png, info) != rowBytes)
        png_error(png, "Unexpected row size");
    work.image.pixels.assign(rowBytes * std::size_t(format.height), 0);
    work.rows.resize(std::size_t(format.height));
    for (std::size_t y = 0; y < work.rows.size(); ++y)
        work.rows[y] = work.image.pixels.data() + y * rowBytes;
}

bool DecodeRows(png_structp png, png_infop info, DecodeWork& work)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    ReadFormat(png, info, work.image.format);
    CheckSize(png, work.image.format);
    if (work.image.format.colorType & PNG_COLOR_MASK_COLOR)
        png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    PrepareRows(png, info, work);
    png_read_image(png, work.rows.data());
    png_read_end(png, nullptr);
    return true;
}

bool StreamIsEmpty(std::istream& stream)
{
    return !stream || stream.peek() == std::istream::traits_type::eof();
}

// Everything an encode hands to libpng, owned outside the frame that holds the setjmp.
struct EncodeWork {
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    png_color_16 key{};
    bool hasKey = false;
    std::vector<png_bytep> rows;
};

// The highest palette index in use, so that the written palette covers every pixel.
int HighestIndex(const PngImage& image)
{
    const PngFormat& format = image.format;
    const std::size_t rowBytes = PackedRowBytes(format.width, 1, format.bitDepth);
    std::uint32_t highest = 0;
    for (int y = 0; y < format.height; ++y) {
        const std::uint8_t* row = image.pixels.data() + std::size_t(y) * rowBytes;
        for (int x = 0; x < format.width; ++x)
            highest = std::max(highest, ReadSample(row, std::size_t(x), format.bitDepth));
    }
    return int(highest);
}

EncodeWork PrepareEncode(const PngImage& image)
{
    const PngFormat& format = image.format;
    EncodeWork work;
    if (format.colorType == COLOR_PALETTE) {
        for (const TPaletteEntry& entry : format.palette)
            work.palette.push_back(png_color{entry.Red, entry.Green, entry.Blue});
        if (int(work.palette.size()) <= HighestIndex(image))
            work.palette.resize(std::size_t(HighestIndex(image)) + 1, png_color{0, 0, 0});
        work.paletteAlpha.assign(format.paletteAlpha.begin(), format.paletteAlpha.end());
    }
    if (format.colorKey) {
        work.hasKey = true;
        work.key = png_color_16{0, format.colorKey->red, format.colorKey->green, format.colorKey->blue,
                                format.colorKey->gray};
    }
    const std::size_t rowBytes = PackedRowBytes(format.width, ChannelCount(format.colorType), format.bitDepth);
    auto* pixels = const_cast<png_bytep>(image.pixels.data());
    for (int y = 0; y < format.height; ++y)
        work.rows.push_back(pixels + std::size_t(y) * rowBytes);
    return work;
}

void WriteHeader(png_structp png, png_infop info, const PngFormat& format, EncodeWork& work)
{
    png_set_IHDR(png, info, png_uint_32(format.width), png_uint_32(format.height), format.bitDepth,
                 format.colorType, format.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!work.palette.empty())
        png_set_PLTE(png, info, work.palette.data(), int(work.palette.size()));
    if (!work.paletteAlpha.empty())
        png_set_tRNS(png, info, work.paletteAlpha.data(), int(work.paletteAlpha.size()), nullptr);
    if (work.hasKey)
        png_set_tRNS(png, info, nullptr, 0, &work.key);
    png_write_info(png, info);
}

bool EncodeRows(png_structp png, png_infop info, const PngFormat& format, EncodeWork& work)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    WriteHeader(png, info, format, work);
    if (format.colorType & PNG_COLOR_MASK_COLOR)
        png_set_bgr(png);
    png_write_image(png, work.rows.data());
    png_write_end(png, nullptr);
    return true;
}

void CheckWritable(const PngImage& image)
{
    const PngFormat& format = image.format;
    if (format.width <= 0 || format.height <= 0)
        RaisePngError(PngErrorCause::EmptyPicture);
    if (!IsValidPngFormat(format.colorType, format.bitDepth))
        RaisePngError(PngErrorCause::InvalidFormat);
    if (format.colorType == COLOR_PALETTE && format.palette.empty())
        RaisePngError(PngErrorCause::InvalidPalette);
}

} // namespace

PngImage ReadPng(std::istream& stream)
{
    if (StreamIsEmpty(stream))
        RaisePngError(PngErrorCause::EmptyStream);
    PngIoState state;
    state.in = &stream;
    PngReader reader(state);
    DecodeWork work;
    if (!DecodeRows(reader.png(), reader.info(), work))
        throw EPNGError(AnsiString(state.message));
    return std::move(work.image);
}

void WritePng(const PngImage& image, std::ostream& stream)
{
    CheckWritable(image);
    PngIoState state;
    state.out = &stream;
    PngWriter writer(state);
    EncodeWork work = PrepareEncode(image);
    if (!EncodeRows(writer.png(), writer.info(), image.format, work))
        throw EPNGError(AnsiString(state.message));
}
