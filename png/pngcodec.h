// The libpng glue of TPNGObject: a PNG file read into rows in the file's own colour type and bit depth,
// and such rows written back as a PNG file. Also the sample helpers both sides share.
//
// Row layout of a PngImage: rows follow one another without padding, samples are packed at the bit depth
// (several pixels per byte below 8 bits, most significant bits first), 16-bit samples are two bytes with
// the most significant byte first, and the colour samples of RGB pixels come in blue, green, red order,
// followed by alpha where the colour type has one.
#pragma once

#include "png/pngobject.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

enum class PngErrorCause {
    EmptyStream,
    TooLarge,
    InvalidFormat,
    EmptyPicture,
    NotPalette,
    InvalidPalette,
    OpenFailed,
    CreateFailed,
    OutOfMemory,
    PixelOutOfRange,
    RowOutOfRange,
};

const char* PngErrorText(PngErrorCause cause);
// Throws EPNGError with the cause's text, followed by ": " and the detail when one is given.
[[noreturn]] void RaisePngError(PngErrorCause cause, const std::string& detail = {});
// Throws ERangeError with the cause's text.
[[noreturn]] void RaiseRangeError(PngErrorCause cause);

// Guards against corrupt headers and pictures too large to work on: no side beyond kPngMaxDimension, and no
// picture whose working form, 32-bit pixels plus an alpha byte each, passes kPngMaxBytes. The guard depends
// on the size alone, so every form an effect or a drawing makes of a picture that loads passes it too.
constexpr int kPngMaxDimension = 16384;
constexpr std::size_t kPngMaxBytes = std::size_t{64} << 20;
constexpr std::size_t kPngWorkingBytesPerPixel = 5;

// A tRNS colour key at the file's bit depth: gray for grey pictures, red, green, blue for RGB pictures.
struct PngColorKey {
    std::uint16_t gray = 0;
    std::uint16_t red = 0;
    std::uint16_t green = 0;
    std::uint16_t blue = 0;
    friend bool operator==(const PngColorKey&, const PngColorKey&) = default;
};

struct PngFormat {
    int width = 0;
    int height = 0;
    int colorType = COLOR_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<TPaletteEntry> palette;
    // tRNS of a palette picture: alpha of the first entries; entries beyond are opaque.
    std::vector<std::uint8_t> paletteAlpha;
    std::optional<PngColorKey> colorKey;
};

struct PngImage {
    PngFormat format;
    std::vector<std::uint8_t> pixels;
};

bool IsValidPngFormat(int colorType, int bitDepth);
bool HasAlphaChannel(int colorType);
// Colour samples per pixel, not counting alpha: 3 for RGB types, else 1.
int ColorSampleCount(int colorType);
// Samples per pixel including alpha.
int ChannelCount(int colorType);
std::size_t PackedRowBytes(int width, int samplesPerPixel, int bitDepth);
bool FitsPngGuards(int width, int height);
// Throws EPNGError (TooLarge, naming the size) when a picture of that size passes the guards.
void CheckPngSize(int width, int height);

// Sample number index of a packed row at a bit depth.
std::uint32_t ReadSample(const std::uint8_t* row, std::size_t index, int bitDepth);
void WriteSample(std::uint8_t* row, std::size_t index, int bitDepth, std::uint32_t value);
int MaxSampleValue(int bitDepth);
// A sample scaled to 8 bits (16-bit values rounded to nearest) and an 8-bit value scaled to a bit depth.
std::uint8_t SampleTo8(std::uint32_t value, int bitDepth);
std::uint32_t SampleFrom8(std::uint8_t value, int bitDepth);

// The width and height a PNG file's header declares, read before any decoding; false when the bytes do not
// start with a PNG signature and header.
bool PeekPngSize(const char* file, std::size_t size, int& width, int& height);

// Both raise EPNGError with libpng's message; a short or empty stream is refused.
PngImage ReadPng(std::istream& stream);
void WritePng(const PngImage& image, std::ostream& stream);
