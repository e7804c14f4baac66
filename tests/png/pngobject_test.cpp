#include "png/pngobject.h"

#include "classlib/graphics/bitmap.h"
#include "classlib/graphics/canvas.h"
#include "classlib/base/exception.h"
#include "support/testchild.h"
#include "support/testdata.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QImage>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string SuitePath(const std::string& name)
{
    return TestDataPath("pngsuite/" + name);
}

// The suite's test pictures; names starting with x are the corrupt ones. None when the suite is not there.
std::vector<std::string> SuiteNames(bool corrupt)
{
    std::vector<std::string> names;
    if (!TestDataAvailable("pngsuite"))
        return names;
    for (const auto& entry : std::filesystem::directory_iterator(TestDataPath("pngsuite"))) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".png" || name == "PngSuite.png")
            continue;
        if ((name[0] == 'x') == corrupt)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info)
{
    return info.param.substr(0, info.param.size() - 4);
}

std::string FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TPNGObject Loaded(const std::string& name)
{
    TPNGObject png;
    png.LoadFromFile(SuitePath(name));
    return png;
}

std::string Saved(const TPNGObject& png)
{
    std::ostringstream out;
    png.SaveToStream(out);
    return out.str();
}

TPNGObject LoadedFromBytes(const std::string& bytes)
{
    std::istringstream in(bytes);
    TPNGObject png;
    png.LoadFromStream(in);
    return png;
}

// Where the first chunk of a type starts in a PNG file, and its whole length with length, type and CRC.
std::optional<std::pair<std::size_t, std::size_t>> FindChunk(const std::string& file, const std::string& type)
{
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const auto* p = reinterpret_cast<const unsigned char*>(file.data() + at);
        const std::size_t length = std::size_t(p[0]) << 24 | std::size_t(p[1]) << 16 | std::size_t(p[2]) << 8 | p[3];
        if (file.compare(at + 4, 4, type) == 0)
            return std::pair{at, length + 12};
        at += length + 12;
    }
    return std::nullopt;
}

// What the suite's naming rule says about a picture: "basi2c16" is colour type 2, 16 bits, interlaced.
struct NamedFormat {
    int colorType;
    int bitDepth;
    bool interlaced;
};

NamedFormat FormatFromName(const std::string& name)
{
    return NamedFormat{name[4] - '0', std::stoi(name.substr(6, 2)), name[3] == 'i'};
}

// The suite's transparency groups: tb* and tp1 hold one transparent colour (colour key or one palette entry
// of alpha 0), tm3 several alpha levels in its palette.
TPNGTransparencyMode ModeFromName(const std::string& name)
{
    const NamedFormat format = FormatFromName(name);
    if (format.colorType == COLOR_GRAYSCALEALPHA || format.colorType == COLOR_RGBALPHA || name.starts_with("tm3"))
        return ptmPartial;
    if (name.starts_with("tb") || name.starts_with("tp1"))
        return ptmBit;
    return ptmNone;
}

std::uint16_t Big16(const std::string& bytes, std::size_t at)
{
    return std::uint16_t(std::uint8_t(bytes[at]) << 8 | std::uint8_t(bytes[at + 1]));
}

// Clears alpha where Qt's 16-bit pixels equal the 16-bit RGB colour key (tRNS body: red, green, blue).
void ApplyColorKey(const QImage& decoded, const std::string& trns, QImage& reference)
{
    const std::uint16_t red = Big16(trns, 0), green = Big16(trns, 2), blue = Big16(trns, 4);
    for (int y = 0; y < decoded.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgba64*>(decoded.constScanLine(y));
        for (int x = 0; x < decoded.width(); ++x)
            if (line[x].red() == red && line[x].green() == green && line[x].blue() == blue)
                reference.setPixel(x, y, reference.pixel(x, y) & 0x00FFFFFFu);
    }
}

// Qt's own decode of a suite picture as ARGB32, the reference our pixels must equal.
// Qt 6.4 does not apply gamma or colour space to the pixels (gAMA and cHRM only become the image's
// QColorSpace, which convertToFormat ignores), and its 16-bit to 8-bit conversion rounds to nearest as ours
// does, so the comparison is exact. One gap: Qt 6.4 mis-decodes 16-bit RGB pictures with a tRNS colour key
// (it sets up 64-bit RGBA rows while libpng delivers 48-bit ones, so tbbn2c16 and tbgn2c16 come out sheared).
// For those the reference is Qt's decode of the same file without its tRNS chunk, with the key from that
// chunk applied to Qt's 16-bit pixels as the PNG rules say.
QImage QtReference(const std::string& name)
{
    std::string file = FileBytes(SuitePath(name));
    const auto trns = FindChunk(file, "tRNS");
    const bool rgb16Key = file[24] == 16 && file[25] == COLOR_RGB && trns;
    std::string key;
    if (rgb16Key) {
        key = file.substr(trns->first + 8, trns->second - 12);
        file.erase(trns->first, trns->second);
    }
    const QImage decoded = QImage::fromData(QByteArray::fromStdString(file));
    QImage reference = decoded.convertToFormat(QImage::Format_ARGB32);
    if (rgb16Key)
        ApplyColorKey(decoded, key, reference);
    return reference;
}

// A fully transparent pixel shows nothing, so its colour is not compared: Qt blanks the colour under the
// colour key of grey pictures (tbbn0g04 comes back as transparent black), we keep the file's colour.
QRgb Visible(QRgb pixel)
{
    return qAlpha(pixel) == 0 ? 0 : pixel;
}

int CountDifferences(const QImage& actual, const QImage& expected)
{
    int differences = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (Visible(actual.pixel(x, y)) != Visible(expected.pixel(x, y)) && differences++ < 3)
                ADD_FAILURE() << "pixel " << x << "," << y << std::hex << ": ours " << actual.pixel(x, y) << ", expected "
                              << expected.pixel(x, y);
    return differences;
}

std::size_t ColorRowBytes(const TPNGObject& png)
{
    const int samples = png.ColorType() == COLOR_RGB || png.ColorType() == COLOR_RGBALPHA ? 3 : 1;
    return (std::size_t(png.Width()) * samples * png.BitDepth() + 7) / 8;
}

// Every colour and alpha byte of a picture, row after row; the unused low bits that end a packed row
// carry nothing and are left out.
std::vector<std::uint8_t> RawBytes(const TPNGObject& png)
{
    const int usedBits = png.Width() * png.BitDepth() % 8;
    const auto lastByteMask = std::uint8_t(usedBits == 0 ? 0xFF : 0xFF << (8 - usedBits));
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < png.Height(); ++y) {
        const std::uint8_t* row = png.Scanline(y);
        bytes.insert(bytes.end(), row, row + ColorRowBytes(png));
        if (png.BitDepth() < 8)
            bytes.back() &= lastByteMask;
        if (const std::uint8_t* alpha = png.AlphaScanline(y))
            bytes.insert(bytes.end(), alpha, alpha + std::size_t(png.Width()) * png.BitDepth() / 8);
    }
    return bytes;
}

void ExpectSamePicture(const TPNGObject& actual, const TPNGObject& expected)
{
    EXPECT_EQ(actual.Width(), expected.Width());
    EXPECT_EQ(actual.Height(), expected.Height());
    EXPECT_EQ(actual.ColorType(), expected.ColorType());
    EXPECT_EQ(actual.BitDepth(), expected.BitDepth());
    EXPECT_EQ(actual.Interlaced(), expected.Interlaced());
    EXPECT_EQ(actual.Palette(), expected.Palette());
    EXPECT_EQ(actual.TransparencyMode(), expected.TransparencyMode());
    EXPECT_EQ(actual.TransparentColor(), expected.TransparentColor());
    EXPECT_EQ(RawBytes(actual), RawBytes(expected));
    EXPECT_EQ(actual.ToQImage(), expected.ToQImage());
}

class ValidSuitePicture : public ::testing::TestWithParam<std::string> {};

TEST_P(ValidSuitePicture, DecodesWithTheFilesFormatAndQtsPixels)
{
    REQUIRE_PNG_SUITE();
    const TPNGObject png = Loaded(GetParam());
    const NamedFormat named = FormatFromName(GetParam());
    EXPECT_EQ(png.ColorType(), named.colorType);
    EXPECT_EQ(png.BitDepth(), named.bitDepth);
    EXPECT_EQ(png.Interlaced(), named.interlaced);
    EXPECT_EQ(png.TransparencyMode(), ModeFromName(GetParam()));
    EXPECT_EQ(png.Palette().empty(), named.colorType != COLOR_PALETTE);

    const QImage expected = QtReference(GetParam());
    ASSERT_FALSE(expected.isNull());
    ASSERT_EQ(QSize(png.Width(), png.Height()), expected.size());
    EXPECT_EQ(CountDifferences(png.ToQImage(), expected), 0);
}

TEST_P(ValidSuitePicture, SaveThenLoadKeepsEveryByte)
{
    REQUIRE_PNG_SUITE();
    const TPNGObject png = Loaded(GetParam());
    ExpectSamePicture(LoadedFromBytes(Saved(png)), png);
}

TEST_P(ValidSuitePicture, CreateAlphaKeepsTheVisiblePicture)
{
    REQUIRE_PNG_SUITE();
    const TPNGObject original = Loaded(GetParam());
    TPNGObject png = original;
    png.CreateAlpha();
    EXPECT_EQ(png.ToQImage(), original.ToQImage());
    EXPECT_EQ(png.TransparencyMode(), ptmPartial);
    if (original.ColorType() == COLOR_GRAYSCALEALPHA || original.ColorType() == COLOR_RGBALPHA) {
        ExpectSamePicture(png, original);
        return;
    }
    const bool grey = original.ColorType() == COLOR_GRAYSCALE;
    EXPECT_EQ(png.ColorType(), grey ? COLOR_GRAYSCALEALPHA : COLOR_RGBALPHA);
    EXPECT_EQ(png.BitDepth(), original.BitDepth() == 16 ? 16 : 8);
    EXPECT_NE(png.AlphaScanline(0), nullptr);
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ValidSuitePicture);
INSTANTIATE_TEST_SUITE_P(PngSuite, ValidSuitePicture, ::testing::ValuesIn(SuiteNames(false)), TestName);

TEST(PngSuiteFormats, TransparentColours)
{
    REQUIRE_PNG_SUITE();
    // Colour keys: 4-bit grey 15 and 8-bit RGB (255, 255, 255) are white; 16-bit grey 65535 is white.
    EXPECT_EQ(Loaded("tbbn0g04.png").TransparentColor(), clWhite);
    EXPECT_EQ(Loaded("tbrn2c08.png").TransparentColor(), clWhite);
    EXPECT_EQ(Loaded("tbwn0g16.png").TransparentColor(), clWhite);
    EXPECT_EQ(Loaded("basn3p08.png").TransparentColor(), clNone);
}

// Every fully transparent pixel of a one-colour-transparent picture has the reported colour.
TEST(PngSuiteFormats, TransparentPixelsCarryTheTransparentColour)
{
    for (const std::string& name : SuiteNames(false)) {
        const TPNGObject png = Loaded(name);
        if (png.TransparencyMode() != ptmBit)
            continue;
        const QImage image = png.ToQImage();
        int transparent = 0;
        for (int y = 0; y < png.Height(); ++y)
            for (int x = 0; x < png.Width(); ++x)
                if (qAlpha(image.pixel(x, y)) == 0) {
                    ++transparent;
                    EXPECT_EQ(png.Pixel(x, y), png.TransparentColor()) << name << " " << x << "," << y;
                }
        EXPECT_GT(transparent, 0) << name;
    }
}

class CorruptSuitePicture : public ::testing::TestWithParam<std::string> {};

TEST_P(CorruptSuitePicture, IsRefusedAndLeavesThePictureAsItWas)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Loaded("basn6a08.png");
    const TPNGObject before = png;
    try {
        png.LoadFromFile(SuitePath(GetParam()));
        ADD_FAILURE() << "loaded without error";
    } catch (const EPNGError& error) {
        EXPECT_FALSE(error.Message().IsEmpty());
        EXPECT_NE(error.Message(), AnsiString("The stream holds no PNG data"));
    }
    ExpectSamePicture(png, before);
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorruptSuitePicture);
INSTANTIATE_TEST_SUITE_P(PngSuite, CorruptSuitePicture, ::testing::ValuesIn(SuiteNames(true)), TestName);

TEST(PngLoadErrors, EveryTruncationIsRefused)
{
    REQUIRE_PNG_SUITE();
    for (const std::string name : {"basn6a08.png", "basi3p08.png", "basn0g16.png"}) {
        const std::string bytes = FileBytes(SuitePath(name));
        TPNGObject png = Loaded("basn3p04.png");
        const TPNGObject before = png;
        for (std::size_t length = 1; length < bytes.size(); ++length) {
            std::istringstream in(bytes.substr(0, length));
            EXPECT_THROW(png.LoadFromStream(in), EPNGError) << name << " cut at " << length;
        }
        ExpectSamePicture(png, before);
    }
}

TEST(PngLoadErrors, EmptyStreamIsRefusedWithAClearMessage)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Loaded("basn2c08.png");
    const TPNGObject before = png;
    std::istringstream empty;
    try {
        png.LoadFromStream(empty);
        ADD_FAILURE() << "loaded an empty stream";
    } catch (const EPNGError& error) {
        EXPECT_EQ(error.Message(), AnsiString("The stream holds no PNG data"));
    }
    ExpectSamePicture(png, before);
    EXPECT_THROW(png.LoadFromFile(TestDataPath("pngsuite/no-such-file.png")), EPNGError);
    ExpectSamePicture(png, before);
}

// A stream that throws on a short read must still end in EPNGError: the exception may not cross libpng.
TEST(PngLoadErrors, ThrowingStreamEndsInPngError)
{
    REQUIRE_PNG_SUITE();
    const std::string bytes = FileBytes(SuitePath("basn2c08.png"));
    std::istringstream in(bytes.substr(0, bytes.size() / 2));
    in.exceptions(std::ios::failbit | std::ios::badbit | std::ios::eofbit);
    TPNGObject png;
    EXPECT_THROW(png.LoadFromStream(in), EPNGError);
    EXPECT_TRUE(png.Empty());
}

// The file with one chunk's body replaced and its CRC made to match.
std::string WithChunkBody(std::string file, const std::string& type, const std::string& body)
{
    const auto chunk = FindChunk(file, type);
    std::string replacement(4, '\0');
    for (int i = 0; i < 4; ++i)
        replacement[i] = char(body.size() >> (24 - 8 * i));
    replacement += type + body;
    const std::uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(replacement.data() + 4), uInt(body.size() + 4));
    for (int i = 0; i < 4; ++i)
        replacement += char(crc >> (24 - 8 * i));
    return file.replace(chunk->first, chunk->second, replacement);
}

std::string WithHeaderSize(const std::string& file, std::uint32_t width, std::uint32_t height)
{
    std::string header = file.substr(16, 13);
    for (int i = 0; i < 4; ++i) {
        header[i] = char(width >> (24 - 8 * i));
        header[4 + i] = char(height >> (24 - 8 * i));
    }
    return WithChunkBody(file, "IHDR", header);
}

TEST(PngLoadErrors, AbsurdHeaderSizesAreRefusedBeforeAllocating)
{
    REQUIRE_PNG_SUITE();
    const std::string rgba16 = FileBytes(SuitePath("basn6a16.png"));
    for (const auto& [width, height] : {std::pair{1000000u, 1000000u}, {16384u, 16384u}, {100000u, 1u}}) {
        TPNGObject png;
        EXPECT_THROW(png = LoadedFromBytes(WithHeaderSize(rgba16, width, height)), EPNGError) << width << "x" << height;
        EXPECT_TRUE(png.Empty());
    }
}

// Damaged bytes anywhere in a file either still decode or end in EPNGError with the picture unchanged;
// nothing else may escape (the sanitizer build also checks memory use on these paths).
TEST(PngLoadErrors, DamagedFilesLoadOrAreRefused)
{
    REQUIRE_PNG_SUITE();
    std::mt19937 random(2024);
    for (const std::string name : {"basn0g01.png", "basi0g16.png", "basn2c16.png", "basi3p04.png", "basn4a08.png",
                                   "basi6a08.png", "tbbn3p08.png", "tbrn2c08.png", "ctzn0g04.png", "s07i3p02.png"}) {
        const std::string bytes = FileBytes(SuitePath(name));
        for (int round = 0; round < 60; ++round) {
            std::string damaged = bytes;
            for (int flips = 1 + int(random() % 3); flips > 0; --flips)
                damaged[random() % damaged.size()] ^= char(1 << (random() % 8));
            TPNGObject png = Loaded("basn3p04.png");
            const TPNGObject before = png;
            std::istringstream in(damaged);
            try {
                png.LoadFromStream(in);
            } catch (const EPNGError& error) {
                EXPECT_FALSE(error.Message().IsEmpty());
                ExpectSamePicture(png, before);
            }
        }
    }
}

TEST(PngLoadErrors, PicturesFollowingEachOtherInOneStreamLoadInTurn)
{
    REQUIRE_PNG_SUITE();
    std::istringstream in(FileBytes(SuitePath("basn0g01.png")) + FileBytes(SuitePath("basn6a08.png")));
    TPNGObject first;
    TPNGObject second;
    first.LoadFromStream(in);
    second.LoadFromStream(in);
    EXPECT_EQ(first.ColorType(), COLOR_GRAYSCALE);
    EXPECT_EQ(second.ColorType(), COLOR_RGBALPHA);
    EXPECT_EQ(second.ToQImage(), Loaded("basn6a08.png").ToQImage());
}

struct FormatCase {
    int colorType;
    int bitDepth;
};

const FormatCase kAllFormats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                  {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

// Fills every colour and alpha byte with a pattern that differs from byte to byte.
void FillPattern(TPNGObject& png)
{
    const std::size_t alphaBytes = std::size_t(png.Width()) * png.BitDepth() / 8;
    for (int y = 0; y < png.Height(); ++y) {
        std::uint8_t* row = png.Scanline(y);
        for (std::size_t i = 0; i < ColorRowBytes(png); ++i)
            row[i] = std::uint8_t(i * 37 + y * 11 + 5);
        if (std::uint8_t* alpha = png.AlphaScanline(y))
            for (std::size_t i = 0; i < alphaBytes; ++i)
                alpha[i] = std::uint8_t(i * 53 + y * 7);
    }
}

TEST(PngRoundTrip, EveryFormatKeepsEveryColourAndAlphaByte)
{
    for (const FormatCase format : kAllFormats) {
        TPNGObject png;
        png.CreateBlank(format.colorType, format.bitDepth, 13, 5);
        FillPattern(png);
        const TPNGObject reloaded = LoadedFromBytes(Saved(png));
        SCOPED_TRACE(testing::Message() << "colour type " << format.colorType << ", " << format.bitDepth << " bits");
        ExpectSamePicture(reloaded, png);
    }
}

TEST(PngRoundTrip, FileKeepsPaletteTransparencyAndInterlace)
{
    REQUIRE_PNG_SUITE();
    const TPNGObject png = Loaded("tm3n3p02.png");
    const std::string path = (std::filesystem::temp_directory_path() / "pngobject_test_tm3.png").string();
    png.SaveToFile(path);
    TPNGObject reloaded;
    reloaded.LoadFromFile(path);
    std::filesystem::remove(path);
    ExpectSamePicture(reloaded, png);
}

TEST(PngRoundTrip, EmptyPictureIsNotSaved)
{
    TPNGObject png;
    std::ostringstream out;
    EXPECT_THROW(png.SaveToStream(out), EPNGError);
    EXPECT_THROW(png.SaveToFile((std::filesystem::temp_directory_path() / "pngobject_empty.png").string()), EPNGError);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::temp_directory_path() / "pngobject_empty.png"));
}

// Indexes past a shortened palette read as black, and the saved file stays valid by padding the palette.
TEST(PngRoundTrip, ShortenedPaletteStillSaves)
{
    TPNGObject png;
    png.CreateBlank(COLOR_PALETTE, 8, 2, 1);
    png.Scanline(0)[0] = 1;
    png.Scanline(0)[1] = 200;
    png.SetPalette({{10, 20, 30}, {40, 50, 60}});
    EXPECT_EQ(png.Pixel(0, 0), RGBColor(40, 50, 60));
    EXPECT_EQ(png.Pixel(1, 0), clBlack);
    const TPNGObject reloaded = LoadedFromBytes(Saved(png));
    EXPECT_EQ(reloaded.ToQImage(), png.ToQImage());
    EXPECT_EQ(reloaded.Palette().size(), 201u);
}

TEST(PngBlank, AllBytesZeroWithAGreyRampPalette)
{
    for (const FormatCase format : kAllFormats) {
        TPNGObject png;
        png.CreateBlank(format.colorType, format.bitDepth, 7, 3);
        EXPECT_EQ(png.Width(), 7);
        EXPECT_EQ(png.Height(), 3);
        EXPECT_EQ(png.ColorType(), format.colorType);
        EXPECT_EQ(png.BitDepth(), format.bitDepth);
        const std::vector<std::uint8_t> bytes = RawBytes(png);
        EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; }));
        EXPECT_EQ(png.Pixel(6, 2), clBlack);
    }
    TPNGObject palette;
    palette.CreateBlank(COLOR_PALETTE, 2, 1, 1);
    const std::vector<TPaletteEntry> ramp{{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, {255, 255, 255}};
    EXPECT_EQ(palette.Palette(), ramp);
    EXPECT_EQ(palette.TransparencyMode(), ptmNone);
}

TEST(PngBlank, InvalidFormatsAreRefused)
{
    TPNGObject png;
    png.CreateBlank(COLOR_RGB, 8, 2, 2);
    for (const FormatCase format : {FormatCase{2, 4}, {3, 16}, {4, 1}, {6, 2}, {1, 8}, {7, 8}, {0, 3}})
        EXPECT_THROW(png.CreateBlank(format.colorType, format.bitDepth, 2, 2), EPNGError);
    EXPECT_THROW(png.CreateBlank(COLOR_RGB, 8, -1, 2), EPNGError);
    EXPECT_THROW(png.CreateBlank(COLOR_RGBALPHA, 16, 20000, 20000), EPNGError);
    EXPECT_EQ(png.Width(), 2);
}

TEST(PngPixels, RgbLayoutIsBlueGreenRedWithSeparateAlpha)
{
    TPNGObject png;
    png.CreateBlank(COLOR_RGBALPHA, 8, 2, 1);
    png.SetPixel(1, 0, RGBColor(200, 100, 50));
    png.AlphaScanline(0)[1] = 77;
    const std::uint8_t* row = png.Scanline(0);
    EXPECT_EQ(std::vector<std::uint8_t>(row, row + 6), (std::vector<std::uint8_t>{0, 0, 0, 50, 100, 200}));
    EXPECT_EQ(png.ToQImage().pixel(1, 0), qRgba(200, 100, 50, 77));
    png.SetPixel(1, 0, clWhite);
    EXPECT_EQ(png.AlphaScanline(0)[1], 77);

    png.CreateBlank(COLOR_RGB, 16, 1, 1);
    png.SetPixel(0, 0, RGBColor(200, 100, 50));
    const std::uint8_t* wide = png.Scanline(0);
    EXPECT_EQ(std::vector<std::uint8_t>(wide, wide + 6), (std::vector<std::uint8_t>{50, 50, 100, 100, 200, 200}));
    EXPECT_EQ(png.AlphaScanline(0), nullptr);
}

TEST(PngPixels, SetPixelThenPixelForEveryFormat)
{
    const TColor colour = RGBColor(200, 100, 50);
    // Grey takes (30 red + 59 green + 11 blue) / 100 = 124, then the nearest level of its bit depth:
    // 4 bits 7 of 15 (119), 2 bits 1 of 3 (85), 1 bit 0. The palette ramp of 8 bits holds 117 nearest.
    const std::pair<FormatCase, TColor> cases[] = {
        {{0, 1}, clBlack}, {{0, 2}, RGBColor(85, 85, 85)}, {{0, 4}, RGBColor(119, 119, 119)},
        {{0, 8}, RGBColor(124, 124, 124)}, {{0, 16}, RGBColor(124, 124, 124)}, {{4, 8}, RGBColor(124, 124, 124)},
        {{4, 16}, RGBColor(124, 124, 124)}, {{2, 8}, colour}, {{2, 16}, colour}, {{6, 8}, colour}, {{6, 16}, colour},
        {{3, 8}, RGBColor(117, 117, 117)}, {{3, 1}, clBlack}};
    for (const auto& [format, expected] : cases) {
        TPNGObject png;
        png.CreateBlank(format.colorType, format.bitDepth, 9, 2);
        png.SetPixel(5, 1, colour);
        EXPECT_EQ(png.Pixel(5, 1), expected) << format.colorType << "/" << format.bitDepth;
        EXPECT_EQ(png.Pixel(4, 1), clBlack) << format.colorType << "/" << format.bitDepth;
        EXPECT_EQ(png.Pixel(6, 1), clBlack) << format.colorType << "/" << format.bitDepth;
    }
}

TEST(PngPixels, PaletteTakesTheNearestEntry)
{
    TPNGObject png;
    png.CreateBlank(COLOR_PALETTE, 4, 4, 1);
    png.SetPalette({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    png.SetPixel(0, 0, RGBColor(250, 10, 10));
    png.SetPixel(1, 0, RGBColor(10, 10, 200));
    png.SetPixel(2, 0, RGBColor(20, 240, 30));
    EXPECT_EQ(png.Pixel(0, 0), clRed);
    EXPECT_EQ(png.Pixel(1, 0), RGBColor(0, 0, 255));
    EXPECT_EQ(png.Pixel(2, 0), clLime);
    EXPECT_EQ(png.Scanline(0)[0], 0x02);
    EXPECT_EQ(png.Scanline(0)[1], 0x10);
}

TEST(PngPixels, SystemColoursResolveAndPositionsAreChecked)
{
    TPNGObject png;
    png.CreateBlank(COLOR_RGB, 8, 2, 2);
    png.SetPixel(0, 0, clBtnFace);
    EXPECT_EQ(png.Pixel(0, 0), ColorToRGB(clBtnFace));
    EXPECT_THROW(png.Pixel(2, 0), ERangeError);
    EXPECT_THROW(png.SetPixel(0, -1, clWhite), ERangeError);
    EXPECT_THROW(png.Scanline(2), ERangeError);
    EXPECT_THROW(png.AlphaScanline(-1), ERangeError);
}

TEST(PngPalette, OnlyPalettePicturesHaveOne)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Loaded("basn2c08.png");
    EXPECT_TRUE(png.Palette().empty());
    EXPECT_THROW(png.SetPalette({{1, 2, 3}}), EPNGError);

    png = Loaded("tbbn3p08.png");
    std::vector<TPaletteEntry> palette = png.Palette();
    ASSERT_FALSE(palette.empty());
    for (TPaletteEntry& entry : palette)
        entry = TPaletteEntry{entry.Blue, entry.Green, entry.Red};
    png.SetPalette(palette);
    EXPECT_EQ(png.Palette(), palette);
    EXPECT_EQ(png.TransparencyMode(), ptmBit);
    EXPECT_THROW(png.SetPalette({}), EPNGError);
    EXPECT_THROW(png.SetPalette(std::vector<TPaletteEntry>(257)), EPNGError);
}

// tbbn3p08 with its tRNS chunk replaced by the given palette alpha values.
TPNGObject WithPaletteAlpha(const std::string& alpha)
{
    return LoadedFromBytes(WithChunkBody(FileBytes(SuitePath("tbbn3p08.png")), "tRNS", alpha));
}

TEST(PngTransparency, PaletteAlphaDecidesTheMode)
{
    REQUIRE_PNG_SUITE();
    EXPECT_EQ(WithPaletteAlpha(std::string("\xFF\xFF", 2)).TransparencyMode(), ptmNone);
    EXPECT_EQ(WithPaletteAlpha(std::string("\x00\x00", 2)).TransparencyMode(), ptmPartial);
    EXPECT_EQ(WithPaletteAlpha(std::string("\xFF\x80", 2)).TransparencyMode(), ptmPartial);
    const TPNGObject bit = WithPaletteAlpha(std::string("\xFF\x00\xFF", 3));
    EXPECT_EQ(bit.TransparencyMode(), ptmBit);
    const TPaletteEntry entry = bit.Palette().at(1);
    EXPECT_EQ(bit.TransparentColor(), RGBColor(entry.Red, entry.Green, entry.Blue));
}

TEST(PngAlpha, ColourKeyPixelsBecomeTransparent)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Loaded("tbrn2c08.png");
    const QImage before = png.ToQImage();
    png.CreateAlpha();
    ASSERT_EQ(png.ColorType(), COLOR_RGBALPHA);
    int transparent = 0;
    for (int y = 0; y < png.Height(); ++y)
        for (int x = 0; x < png.Width(); ++x) {
            const bool key = png.Pixel(x, y) == clWhite;
            EXPECT_EQ(png.AlphaScanline(y)[x], key ? 0 : 255);
            transparent += key;
        }
    EXPECT_GT(transparent, 0);
    EXPECT_EQ(png.ToQImage(), before);
}

TEST(PngBitmap, TwentyFourBitRoundTrip)
{
    TBitmap bitmap(5, 3, pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            bitmap.SetPixel(x, y, RGBColor(std::uint8_t(x * 50), std::uint8_t(y * 80), std::uint8_t(x * y * 10 + 1)));
    TPNGObject png;
    png.AssignBitmap(bitmap);
    EXPECT_EQ(png.ColorType(), COLOR_RGB);
    EXPECT_EQ(png.BitDepth(), 8);
    EXPECT_EQ(png.TransparencyMode(), ptmNone);
    TBitmap back;
    png.AssignTo(back);
    EXPECT_EQ(back.PixelFormat(), pf24bit);
    ASSERT_EQ(back.Width(), 5);
    ASSERT_EQ(back.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(png.Pixel(x, y), bitmap.Pixel(x, y));
            EXPECT_EQ(back.Pixel(x, y), bitmap.Pixel(x, y));
        }
}

TEST(PngBitmap, ThirtyTwoBitDropsAlpha)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(10, 20, 30, 0));
    image.setPixel(1, 0, qRgba(40, 50, 60, 128));
    TPNGObject png;
    png.AssignBitmap(TBitmap(image));
    EXPECT_EQ(png.ColorType(), COLOR_RGB);
    EXPECT_EQ(png.Pixel(0, 0), RGBColor(10, 20, 30));
    EXPECT_EQ(png.Pixel(1, 0), RGBColor(40, 50, 60));
}

TEST(PngBitmap, AssignToTakesEveryFormatsColours)
{
    REQUIRE_PNG_SUITE();
    for (const std::string name : {"basn3p04.png", "basn0g02.png", "basn6a16.png"}) {
        const TPNGObject png = Loaded(name);
        TBitmap bitmap;
        png.AssignTo(bitmap);
        EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
        for (int y = 0; y < png.Height(); y += 3)
            for (int x = 0; x < png.Width(); x += 3)
                EXPECT_EQ(bitmap.Pixel(x, y), png.Pixel(x, y)) << name;
    }
}

TEST(PngCopy, CopiesAreDeep)
{
    REQUIRE_PNG_SUITE();
    TPNGObject original = Loaded("basn3p08.png");
    const std::vector<TPaletteEntry> palette = original.Palette();
    const std::vector<std::uint8_t> bytes = RawBytes(original);
    TPNGObject copy(original);
    copy.SetPalette({{1, 1, 1}});
    TPNGObject assigned;
    assigned = original;
    assigned.Scanline(0)[0] ^= 0xFF;
    TPNGObject viaAssign;
    viaAssign.Assign(original);
    viaAssign.CreateAlpha();
    EXPECT_EQ(original.Palette(), palette);
    EXPECT_EQ(RawBytes(original), bytes);
    EXPECT_EQ(original.ColorType(), COLOR_PALETTE);
    EXPECT_EQ(copy.Palette().size(), 1u);
    EXPECT_NE(RawBytes(assigned), bytes);
    EXPECT_EQ(viaAssign.ColorType(), COLOR_RGBALPHA);
    original.Assign(original);
    EXPECT_EQ(RawBytes(original), bytes);
}

// Blue background, then a 2 x 2 picture: opaque red, half-transparent red, transparent, opaque white.
QImage DrawnOverBlue(const QSize& canvasSize, const QRect& rect)
{
    TPNGObject png;
    png.CreateBlank(COLOR_RGBALPHA, 8, 2, 2);
    png.SetPixel(0, 0, clRed);
    png.SetPixel(1, 0, clRed);
    png.SetPixel(1, 1, clWhite);
    png.AlphaScanline(0)[0] = 255;
    png.AlphaScanline(0)[1] = 128;
    png.AlphaScanline(1)[0] = 0;
    png.AlphaScanline(1)[1] = 255;
    QImage target(canvasSize, QImage::Format_ARGB32);
    target.fill(qRgb(0, 0, 255));
    {
        TCanvas canvas(&target);
        png.Draw(canvas, rect);
    }
    return target;
}

// Qt blends in premultiplied 8-bit arithmetic, so a half-transparent pixel may land one step off the
// exact (128 red + 127 blue) blend.
void ExpectNear(QRgb actual, QRgb expected)
{
    EXPECT_NEAR(qRed(actual), qRed(expected), 1);
    EXPECT_NEAR(qGreen(actual), qGreen(expected), 1);
    EXPECT_NEAR(qBlue(actual), qBlue(expected), 1);
}

TEST(PngDraw, BlendsByAlphaOntoTheCanvas)
{
    const QImage target = DrawnOverBlue(QSize(4, 4), QRect(1, 1, 2, 2));
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 0, 0));
    ExpectNear(target.pixel(2, 1), qRgb(128, 0, 127));
    EXPECT_EQ(target.pixel(1, 2), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(3, 3), qRgb(0, 0, 255));
}

TEST(PngDraw, StretchesToTheRectangle)
{
    const QImage target = DrawnOverBlue(QSize(24, 24), QRect(2, 2, 20, 20));
    // Quarter centres lie far enough from the seams that smoothing leaves them at the pixel's own colour.
    EXPECT_EQ(target.pixel(5, 5), qRgb(255, 0, 0));
    ExpectNear(target.pixel(18, 5), qRgb(128, 0, 127));
    EXPECT_EQ(target.pixel(5, 18), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(18, 18), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(22, 22), qRgb(0, 0, 255));
}

TEST(PngDraw, PaletteTransparencyShowsTheBackground)
{
    REQUIRE_PNG_SUITE();
    const TPNGObject png = Loaded("tp1n3p08.png");
    QImage target(png.Width(), png.Height(), QImage::Format_ARGB32);
    target.fill(qRgb(1, 2, 3));
    {
        TCanvas canvas(&target);
        canvas.Draw(0, 0, png);
    }
    const QImage picture = png.ToQImage();
    for (int y = 0; y < png.Height(); ++y)
        for (int x = 0; x < png.Width(); ++x)
            EXPECT_EQ(target.pixel(x, y), qAlpha(picture.pixel(x, y)) == 0 ? qRgb(1, 2, 3) : picture.pixel(x, y));
}

} // namespace

// ---- Hostile files ----

namespace {

std::string BigEndian32(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[std::size_t(i)] = char(value >> (24 - 8 * i));
    return bytes;
}

std::string Chunk(const std::string& type, const std::string& body)
{
    const std::string typed = type + body;
    const auto crc = std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size())));
    return BigEndian32(std::uint32_t(body.size())) + typed + BigEndian32(crc);
}

const std::string kSignature = "\x89PNG\r\n\x1A\n";

// A 1-bit grey picture of the given size, every pixel black, its rows deflated as they are made.
std::string BlackPicture(std::uint32_t width, std::uint32_t height)
{
    const std::string header = BigEndian32(width) + BigEndian32(height) + std::string{1, 0, 0, 0, 0};
    const std::string row((width + 7) / 8 + 1, '\0');
    z_stream zlib{};
    deflateInit(&zlib, Z_BEST_COMPRESSION);
    std::string compressed;
    char out[65536];
    for (std::uint32_t y = 0; y <= height; ++y) {
        zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        zlib.avail_in = y < height ? uInt(row.size()) : 0;
        do {
            zlib.next_out = reinterpret_cast<Bytef*>(out);
            zlib.avail_out = sizeof out;
            deflate(&zlib, y < height ? Z_NO_FLUSH : Z_FINISH);
            compressed.append(out, sizeof out - zlib.avail_out);
        } while (zlib.avail_out == 0);
    }
    deflateEnd(&zlib);
    return kSignature + Chunk("IHDR", header) + Chunk("IDAT", compressed) + Chunk("IEND", "");
}

// How far the resident memory of this process rises above its level before load runs; nullopt where
// the system cannot reset the peak.
template <typename Load>
std::optional<long> PeakMemoryRise(Load load)
{
    const auto kilobytes = [](const std::string& field) {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.starts_with(field + ":"))
                return std::stol(line.substr(field.size() + 1)) * 1024;
        return -1L;
    };
    std::ofstream reset("/proc/self/clear_refs");
    if (!(reset << "5" << std::flush))
        return std::nullopt;
    const long before = kilobytes("VmRSS");
    load();
    return kilobytes("VmHWM") - before;
}

} // namespace

TEST(PngHostileFiles, DeclaredChunkLengthsTakeNoMemory)
{
    REQUIRE_PNG_SUITE();
    const std::string ihdr = FileBytes(SuitePath("basn0g01.png")).substr(8, 25);
    for (const char* type : {"sPLT", "tEXt", "zTXt", "iTXt", "iCCP", "eXIf", "pCAL", "sCAL", "prVt"}) {
        for (const std::uint32_t length : {0x7FFFFFFFu, 0x10000000u}) {
            const std::string file = kSignature + ihdr + BigEndian32(length) + type + std::string(20, 'a');
            const auto rise = PeakMemoryRise([&] {
                TPNGObject png;
                std::istringstream in(file);
                EXPECT_THROW(png.LoadFromStream(in), EPNGError);
            });
            if (!rise)
                GTEST_SKIP() << "the peak of resident memory cannot be reset here";
            EXPECT_LT(*rise, 64L << 20) << type << " declaring " << length << " bytes";
        }
    }
}

TEST(PngHostileFiles, PicturesTooLargeToWorkOnAreRefusedAtLoadNamingTheirSize)
{
    // The limit is 64 MiB of 32-bit pixels with an alpha byte each: five bytes per pixel.
    for (const auto& [width, height] : {std::pair{16384u, 16384u}, {3664u, 3664u}, {16384u, 820u}}) {
        TPNGObject png = LoadedFromBytes(BlackPicture(4, 4));
        try {
            png = LoadedFromBytes(BlackPicture(width, height));
            ADD_FAILURE() << width << " x " << height << " loaded";
        } catch (const EPNGError& error) {
            EXPECT_EQ(error.Message(), AnsiString("The PNG picture is too large: " + std::to_string(width) + " x " +
                                                  std::to_string(height) + " pixels"));
        }
        EXPECT_EQ(png.Width(), 4);
    }
}

TEST(PngHostileFiles, TheLargestPictureThatLoadsTakesEveryEffect)
{
    const TPNGObject png = LoadedFromBytes(BlackPicture(16384, 819));
    QImage surface(8, 8, QImage::Format_ARGB32_Premultiplied);
    surface.fill(Qt::white);
    TCanvas canvas(&surface);
    png.Draw(canvas, QRect(0, 0, 8, 4));
    TPNGObject work(png);
    EXPECT_NO_THROW(work.CreateAlpha());
    EXPECT_EQ(surface.pixel(3, 2), qRgb(0, 0, 0));
    EXPECT_EQ(surface.pixel(3, 6), qRgb(255, 255, 255));
}

TEST(PngHostileFiles, ImagesThatCannotBeAllocatedRaiseInsteadOfCrashing)
{
    if (kSanitizedBuild)
        GTEST_SKIP() << "an address-space limit does not work under a sanitizer";
    struct Case {
        std::string name;
        int colorType;
        std::function<void(const TPNGObject&)> use;
    };
    const std::vector<Case> cases = {
        {"RGBA as a QImage", COLOR_RGBALPHA, [](const TPNGObject& png) { png.ToQImage(); }},
        {"grey as a QImage", COLOR_GRAYSCALE, [](const TPNGObject& png) { png.ToQImage(); }},
        {"RGBA into a bitmap", COLOR_RGBALPHA, [](const TPNGObject& png) { TBitmap bitmap; png.AssignTo(bitmap); }},
        {"RGBA drawn", COLOR_RGBALPHA,
         [](const TPNGObject& png) {
             QImage target(4, 4, QImage::Format_ARGB32);
             TCanvas canvas(&target);
             png.Draw(canvas, QRect(0, 0, 4, 4));
         }},
    };
    if (IsTestChild()) {
        for (const Case& c : cases) {
            if (c.name != TestChildPart())
                continue;
            TPNGObject png;
            png.CreateBlank(c.colorType, 8, 3000, 3000);
            LimitAddressSpace(std::size_t{8} << 20);
            try {
                c.use(png);
            } catch (const EOutOfResources&) {
                ::_exit(0);
            }
            ::_exit(1);
        }
        ::_exit(127);
    }
    for (const Case& c : cases) {
        const ChildOutcome outcome = RunTestInChild(c.name);
        EXPECT_TRUE(outcome.exited) << c.name << ": ended by signal " << outcome.signal;
        EXPECT_EQ(outcome.exitCode, 0) << c.name;
    }
}
