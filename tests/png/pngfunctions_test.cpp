#include "png/pngfunctions.h"

#include "classlib/graphics/bitmap.h"
#include "classlib/graphics/canvas.h"
#include "classlib/base/exception.h"
#include "classlib/graphics/icon.h"
#include "classlib/graphics/imagelist.h"
#include "png/pngimagelist.h"
#include "support/testdata.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Rgba {
    std::uint8_t r, g, b, a;
};

TPNGObject RgbaPicture(int width, int height, Rgba fill)
{
    TPNGObject png;
    png.CreateBlank(COLOR_RGBALPHA, 8, width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            png.SetPixel(x, y, RGBColor(fill.r, fill.g, fill.b));
            png.AlphaScanline(y)[x] = fill.a;
        }
    }
    return png;
}

void SetRgba(TPNGObject& png, int x, int y, Rgba value)
{
    png.SetPixel(x, y, RGBColor(value.r, value.g, value.b));
    if (png.AlphaScanline(y))
        png.AlphaScanline(y)[x] = value.a;
}

int AlphaAt(const TPNGObject& png, int x, int y)
{
    return png.AlphaScanline(y)[x];
}

TPNGObject Suite(const std::string& name)
{
    TPNGObject png;
    png.LoadFromFile(TestDataPath("pngsuite/" + name));
    return png;
}

// Same colour type, bit depth and decoded pixels.
void ExpectSamePicture(const TPNGObject& a, const TPNGObject& b)
{
    EXPECT_EQ(a.ColorType(), b.ColorType());
    EXPECT_EQ(a.BitDepth(), b.BitDepth());
    EXPECT_EQ(a.ToQImage(), b.ToQImage());
}

// Every pixel's alpha after a blend of a picture without alpha: 0 on the transparent colour, else expected.
void ExpectRebuiltAlpha(const TPNGObject& before, const TPNGObject& after, int expected)
{
    ASSERT_EQ(after.ColorType(), COLOR_RGBALPHA);
    ASSERT_EQ(after.BitDepth(), 8);
    const bool bit = before.TransparencyMode() == ptmBit;
    int transparent = 0;
    for (int y = 0; y < before.Height(); ++y) {
        for (int x = 0; x < before.Width(); ++x) {
            const bool key = bit && before.Pixel(x, y) == before.TransparentColor();
            transparent += key;
            ASSERT_EQ(after.Pixel(x, y), before.Pixel(x, y)) << x << "," << y;
            ASSERT_EQ(AlphaAt(after, x, y), key ? 0 : expected) << x << "," << y;
        }
    }
    EXPECT_EQ(transparent > 0, bit);
}

QImage Surface(QRgb background, int width = 8, int height = 8)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    return image;
}

} // namespace

// ---- Options ----

TEST(PngOptions, OneByteWithBitIForOptionI)
{
    static_assert(sizeof(TPngOptions) == 1);
    EXPECT_EQ(TPngOptions{pngBlendOnDisabled}.Byte(), 1);
    EXPECT_EQ(TPngOptions{pngGrayscaleOnDisabled}.Byte(), 2);
    EXPECT_EQ(TPngOptions{pngBrighter}.Byte(), 4);
    EXPECT_EQ((TPngOptions{pngDarker, pngBlendOnDisabled}.Byte()), 9);
    TPngOptions options = TPngOptions::FromByte(0xF6);
    EXPECT_EQ(options.Byte(), 6);
    EXPECT_TRUE(options.Contains(pngBrighter));
    EXPECT_FALSE(options.Contains(pngBlendOnDisabled));
    options.Exclude(pngBrighter).Exclude(pngGrayscaleOnDisabled);
    EXPECT_TRUE(options.Empty());
    EXPECT_EQ(options, TPngOptions{});
}

// ---- Blend ----

TEST(MakeImageBlended, ScalesAlphaByAmountPlusOneOver256WithHalvesToEven)
{
    TPNGObject png = RgbaPicture(6, 1, {10, 20, 30, 255});
    const std::array<int, 6> alpha = {255, 100, 0, 1, 3, 254};
    for (int x = 0; x < 6; ++x)
        png.AlphaScanline(0)[x] = std::uint8_t(alpha[x]);
    MakeImageBlended(png, 127);
    const std::array<int, 6> expected = {128, 50, 0, 0, 2, 127};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(AlphaAt(png, x, 0), expected[x]) << "alpha " << alpha[x];
    EXPECT_EQ(png.Pixel(0, 0), RGBColor(10, 20, 30));
}

TEST(MakeImageBlended, AmountsAtTheirEnds)
{
    TPNGObject full = RgbaPicture(1, 1, {0, 0, 0, 200});
    MakeImageBlended(full, 255);
    EXPECT_EQ(AlphaAt(full, 0, 0), 200);
    TPNGObject none = RgbaPicture(2, 1, {0, 0, 0, 255});
    none.AlphaScanline(0)[1] = 128;
    MakeImageBlended(none, 0);
    EXPECT_EQ(AlphaAt(none, 0, 0), 1);
    EXPECT_EQ(AlphaAt(none, 1, 0), 0);
    TPNGObject beyond = RgbaPicture(1, 1, {0, 0, 0, 255});
    MakeImageBlended(beyond, 1000);
    EXPECT_EQ(AlphaAt(beyond, 0, 0), 255);
}

TEST(MakeImageBlended, RgbPicturesGetAnAlphaChannelFirst)
{
    TPNGObject png;
    png.CreateBlank(COLOR_RGB, 8, 3, 2);
    png.SetPixel(1, 1, clRed);
    MakeImageBlended(png, 127);
    ASSERT_EQ(png.ColorType(), COLOR_RGBALPHA);
    EXPECT_EQ(AlphaAt(png, 0, 0), 128);
    EXPECT_EQ(AlphaAt(png, 1, 1), 128);
    EXPECT_EQ(png.Pixel(1, 1), clRed);
}

TEST(MakeImageBlended, RgbWithATransparentColourKeepsItFullyTransparent)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Suite("tbrn2c08.png");
    ASSERT_EQ(png.TransparencyMode(), ptmBit);
    const TPNGObject before(png);
    MakeImageBlended(png, 127);
    ExpectRebuiltAlpha(before, png, 128);
}

TEST(MakeImageBlended, GreyAndPalettePicturesBecomeRgbaWithAlphaAmount)
{
    REQUIRE_PNG_SUITE();
    for (const char* name : {"basn0g08.png", "basn0g02.png", "basn3p08.png", "basn3p01.png"}) {
        SCOPED_TRACE(name);
        TPNGObject png = Suite(name);
        const TPNGObject before(png);
        MakeImageBlended(png, 127);
        ExpectRebuiltAlpha(before, png, 127);
    }
}

TEST(MakeImageBlended, TheTransparentColourOfGreyAndPalettePicturesGetsAlphaZero)
{
    REQUIRE_PNG_SUITE();
    for (const char* name : {"tbbn0g04.png", "tp1n3p08.png", "tbwn0g16.png"}) {
        SCOPED_TRACE(name);
        TPNGObject png = Suite(name);
        ASSERT_EQ(png.TransparencyMode(), ptmBit);
        const TPNGObject before(png);
        MakeImageBlended(png, 127);
        ExpectRebuiltAlpha(before, png, 127);
    }
}

TEST(MakeImageBlended, PalettesWithPartialTransparencyKeepTheirOwnAlphaScaled)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Suite("tm3n3p02.png");
    ASSERT_EQ(png.TransparencyMode(), ptmPartial);
    const QImage before = png.ToQImage();
    MakeImageBlended(png, 127);
    ASSERT_EQ(png.ColorType(), COLOR_RGBALPHA);
    bool sawTransparent = false;
    for (int y = 0; y < png.Height(); ++y) {
        for (int x = 0; x < png.Width(); ++x) {
            const int own = qAlpha(before.pixel(x, y));
            sawTransparent |= own == 0;
            ASSERT_NEAR(AlphaAt(png, x, y), own * 127.0 / 255.0, 0.5) << x << "," << y;
        }
    }
    EXPECT_TRUE(sawTransparent);
}

TEST(MakeImageBlended, SixteenBitAlphaIsScaledAtItsDepth)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Suite("basn6a16.png");
    const QImage before = png.ToQImage();
    MakeImageBlended(png, 127);
    EXPECT_EQ(png.BitDepth(), 16);
    const QImage after = png.ToQImage();
    for (int y = 0; y < png.Height(); y += 3)
        for (int x = 0; x < png.Width(); x += 3)
            ASSERT_NEAR(qAlpha(after.pixel(x, y)), qAlpha(before.pixel(x, y)) / 2.0, 1.0);
}

// ---- Grey ----

TEST(MakeImageGrayscale, FullGreyTurnsRedIntoSeventySix)
{
    TPNGObject png = RgbaPicture(3, 1, {255, 0, 0, 77});
    SetRgba(png, 1, 0, {0, 255, 0, 77});
    SetRgba(png, 2, 0, {255, 255, 255, 77});
    MakeImageGrayscale(png, 255);
    EXPECT_EQ(png.Pixel(0, 0), RGBColor(76, 76, 76));
    EXPECT_EQ(png.Pixel(1, 0), RGBColor(150, 150, 150));
    EXPECT_EQ(png.Pixel(2, 0), clWhite);
    EXPECT_EQ(AlphaAt(png, 0, 0), 77);
}

TEST(MakeImageGrayscale, PartialAmountsMixWithHalvesToEvenAndStopAt255)
{
    TPNGObject png;
    png.CreateBlank(COLOR_RGB, 8, 2, 1);
    png.SetPixel(0, 0, clRed);
    png.SetPixel(1, 0, clWhite);
    MakeImageGrayscale(png, 127);
    // 255 × 128 / 256 = 127.5 → 128, plus 76 × 128 / 256 = 38; white would reach 256.
    EXPECT_EQ(png.Pixel(0, 0), RGBColor(166, 38, 38));
    EXPECT_EQ(png.Pixel(1, 0), clWhite);
    MakeImageGrayscale(png, 0);
    EXPECT_EQ(png.Pixel(0, 0), RGBColor(165, 38, 38));
}

TEST(MakeImageGrayscale, PalettesChangeTheirEntries)
{
    TPNGObject png;
    png.CreateBlank(COLOR_PALETTE, 8, 2, 1);
    png.SetPalette({{255, 0, 0}, {0, 0, 255}});
    png.SetPixel(0, 0, clRed);
    png.SetPixel(1, 0, RGBColor(0, 0, 255));
    MakeImageGrayscale(png, 255);
    EXPECT_EQ(png.ColorType(), COLOR_PALETTE);
    EXPECT_EQ(png.Pixel(0, 0), RGBColor(76, 76, 76));
    EXPECT_EQ(png.Pixel(1, 0), RGBColor(28, 28, 28));
}

TEST(MakeImageGrayscale, GreyPicturesAreLeftAlone)
{
    REQUIRE_PNG_SUITE();
    for (const char* name : {"basn0g08.png", "basn4a08.png"}) {
        SCOPED_TRACE(name);
        TPNGObject png = Suite(name);
        const TPNGObject before(png);
        MakeImageGrayscale(png, 255);
        ExpectSamePicture(png, before);
    }
}

TEST(MakeImageGrayscale, SixteenBitRgbTurnsGrey)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Suite("basn2c16.png");
    MakeImageGrayscale(png, 255);
    EXPECT_EQ(png.BitDepth(), 16);
    for (int y = 0; y < png.Height(); ++y) {
        for (int x = 0; x < png.Width(); ++x) {
            const TColor color = png.Pixel(x, y);
            ASSERT_EQ(GetRValue(color), GetGValue(color));
            ASSERT_EQ(GetGValue(color), GetBValue(color));
        }
    }
}

// ---- Brighter and darker ----

TEST(MakeImageBrighterAndDarker, ShiftColourBytesAndStopAtTheEnds)
{
    TPNGObject png = RgbaPicture(2, 1, {250, 100, 40, 90});
    SetRgba(png, 1, 0, {0, 255, 200, 90});
    TPNGObject darker(png);
    MakeImageBrighter(png, 55);
    EXPECT_EQ(png.Pixel(0, 0), RGBColor(255, 155, 95));
    EXPECT_EQ(png.Pixel(1, 0), RGBColor(55, 255, 255));
    EXPECT_EQ(AlphaAt(png, 0, 0), 90);
    MakeImageDarker(darker, 55);
    EXPECT_EQ(darker.Pixel(0, 0), RGBColor(195, 45, 0));
    EXPECT_EQ(darker.Pixel(1, 0), RGBColor(0, 200, 145));
    EXPECT_EQ(AlphaAt(darker, 1, 0), 90);
}

TEST(MakeImageBrighterAndDarker, LeavePicturesOtherThanEightBitRgbAlone)
{
    REQUIRE_PNG_SUITE();
    for (const char* name : {"basn0g08.png", "basn3p08.png", "basn3p01.png", "basn2c16.png", "basn6a16.png",
                             "basn4a08.png"}) {
        SCOPED_TRACE(name);
        TPNGObject png = Suite(name);
        const TPNGObject before(png);
        MakeImageBrighter(png, 55);
        MakeImageDarker(png, 20);
        ExpectSamePicture(png, before);
    }
}

// ---- Alpha channel ----

TEST(MakeImageAlphaChannel, GivesEachKindItsAlpha)
{
    TPNGObject rgba = RgbaPicture(1, 1, {1, 2, 3, 40});
    MakeImageAlphaChannel(rgba, 127);
    EXPECT_EQ(AlphaAt(rgba, 0, 0), 40);

    TPNGObject rgb;
    rgb.CreateBlank(COLOR_RGB, 8, 2, 2);
    MakeImageAlphaChannel(rgb, 127);
    ASSERT_EQ(rgb.ColorType(), COLOR_RGBALPHA);
    EXPECT_EQ(AlphaAt(rgb, 1, 1), 255);

    REQUIRE_PNG_SUITE();
    TPNGObject palette = Suite("tp1n3p08.png");
    const TPNGObject before(palette);
    MakeImageAlphaChannel(palette, 200);
    ExpectRebuiltAlpha(before, palette, 200);
}

// ---- Resampling ----

TEST(SmoothResize, RefusesPicturesOtherThanRgbAndRgbaAndLeavesThem)
{
    REQUIRE_PNG_SUITE();
    for (const char* name : {"basn3p08.png", "basn0g08.png", "basn4a08.png"}) {
        SCOPED_TRACE(name);
        TPNGObject png = Suite(name);
        const TPNGObject before(png);
        try {
            SmoothResize(png, 10, 10);
            ADD_FAILURE() << "no error";
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), AnsiString("Only COLOR_RGBALPHA and COLOR_RGB formats are supported"));
        }
        ExpectSamePicture(png, before);
    }
}

TEST(SmoothResize, InterpolatesBilinearlyWithHalvesToEven)
{
    TPNGObject png = RgbaPicture(2, 2, {0, 7, 200, 0});
    SetRgba(png, 1, 0, {10, 7, 200, 10});
    SetRgba(png, 0, 1, {100, 7, 200, 100});
    SetRgba(png, 1, 1, {30, 7, 200, 30});
    SmoothResize(png, 4, 4);
    ASSERT_EQ(png.Width(), 4);
    ASSERT_EQ(png.Height(), 4);
    ASSERT_EQ(png.ColorType(), COLOR_RGBALPHA);
    // Target (x, y) samples the source at (x / 4, y / 4).
    const std::array<std::array<int, 4>, 4> expected = {{
        {0, 2, 5, 8},
        {25, 22, 20, 18},
        {50, 42, 35, 28},
        {75, 62, 50, 38},
    }};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(GetRValue(png.Pixel(x, y)), expected[y][x]) << x << "," << y;
            EXPECT_EQ(AlphaAt(png, x, y), expected[y][x]) << x << "," << y;
            EXPECT_EQ(GetGValue(png.Pixel(x, y)), 7);
            EXPECT_EQ(GetBValue(png.Pixel(x, y)), 200);
        }
    }
}

TEST(SmoothResize, ShrinksRgbToAnEightBitRgbPicture)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Suite("basn2c16.png");
    SmoothResize(png, 7, 5);
    EXPECT_EQ(png.ColorType(), COLOR_RGB);
    EXPECT_EQ(png.BitDepth(), 8);
    EXPECT_EQ(png.Width(), 7);
    EXPECT_EQ(png.Height(), 5);
}

TEST(SmoothResize, ASinglePixelRowOrColumnIsReplicated)
{
    TPNGObject column;
    column.CreateBlank(COLOR_RGB, 8, 1, 3);
    column.SetPixel(0, 0, RGBColor(0, 0, 0));
    column.SetPixel(0, 1, RGBColor(90, 0, 0));
    column.SetPixel(0, 2, RGBColor(180, 0, 0));
    SmoothResize(column, 3, 2);
    // Rows sample the source at y / (2 / 2): 0 and 1.
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(column.Pixel(x, 0), RGBColor(0, 0, 0));
        EXPECT_EQ(column.Pixel(x, 1), RGBColor(90, 0, 0));
    }
    TPNGObject dot = RgbaPicture(1, 1, {1, 2, 3, 4});
    SmoothResize(dot, 3, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(dot.Pixel(x, y), RGBColor(1, 2, 3));
            EXPECT_EQ(AlphaAt(dot, x, y), 4);
        }
    }
}

// ---- Conversions ----

namespace {

// A graphic of another kind: a red square in the middle of a transparent field.
class SquareGraphic : public TGraphic {
public:
    int Width() const override { return 6; }
    int Height() const override { return 4; }
    void Draw(TCanvas& canvas, const QRect& rect) const override
    {
        canvas.Brush.Color = clRed;
        canvas.FillRect(QRect(rect.x() + 2, rect.y() + 1, 2, 2));
    }
};

TBitmap FilledBitmap(int width, int height, TColor color, TPixelFormat format = pf24bit)
{
    TBitmap bitmap(width, height, format);
    bitmap.Fill(color);
    return bitmap;
}

} // namespace

TEST(ConvertToPNG, CopiesPngPictures)
{
    const TPNGObject source = RgbaPicture(3, 2, {5, 6, 7, 8});
    const auto png = ConvertToPNG(source);
    ExpectSamePicture(*png, source);
}

TEST(ConvertToPNG, OpaqueBitmapsBecomeRgbPictures)
{
    TBitmap bitmap = FilledBitmap(4, 3, clNavy);
    bitmap.SetPixel(3, 2, clCream);
    const auto png = ConvertToPNG(bitmap);
    EXPECT_EQ(png->ColorType(), COLOR_RGB);
    EXPECT_EQ(png->Pixel(0, 0), clNavy);
    EXPECT_EQ(png->Pixel(3, 2), clCream);
}

TEST(ConvertToPNG, TransparentBitmapsLoseTheirTransparentColour)
{
    TBitmap bitmap = FilledBitmap(4, 3, clWhite);
    bitmap.SetPixel(1, 1, clRed);
    bitmap.SetPixel(0, 2, clGreen);
    bitmap.Transparent = true;
    auto png = ConvertToPNG(bitmap);
    ASSERT_EQ(png->ColorType(), COLOR_RGBALPHA);
    EXPECT_EQ(AlphaAt(*png, 0, 2), 0);
    EXPECT_EQ(AlphaAt(*png, 1, 1), 255);
    EXPECT_EQ(AlphaAt(*png, 3, 0), 255);

    bitmap.TransparentMode = tmFixed;
    bitmap.TransparentColor = clWhite;
    png = ConvertToPNG(bitmap);
    EXPECT_EQ(AlphaAt(*png, 3, 0), 0);
    EXPECT_EQ(AlphaAt(*png, 0, 2), 255);
    EXPECT_EQ(png->Pixel(1, 1), clRed);

    bitmap.TransparentColor = clBlack;
    EXPECT_EQ(ConvertToPNG(bitmap)->ColorType(), COLOR_RGB);
}

TEST(ConvertToPNG, IconsTakeAlphaFromTheirMask)
{
    TBitmap mask = FilledBitmap(3, 2, clBlack, pf1bit);
    mask.SetPixel(2, 1, clWhite);
    const TIcon icon(FilledBitmap(3, 2, clGreen), mask);
    const auto png = ConvertToPNG(icon);
    ASSERT_EQ(png->ColorType(), COLOR_RGBALPHA);
    EXPECT_EQ(png->Pixel(0, 0), clGreen);
    EXPECT_EQ(AlphaAt(*png, 0, 0), 255);
    EXPECT_EQ(AlphaAt(*png, 2, 1), 0);

    const TIcon opaque(FilledBitmap(3, 2, clGreen), FilledBitmap(3, 2, clBlack, pf1bit));
    EXPECT_EQ(ConvertToPNG(opaque)->ColorType(), COLOR_RGBALPHA);
}

TEST(ConvertToPNG, IconsWithAThirtyTwoBitColourBitmapTakeItsAlpha)
{
    QImage color(2, 1, QImage::Format_ARGB32);
    color.setPixel(0, 0, qRgba(200, 100, 50, 60));
    color.setPixel(1, 0, qRgba(1, 2, 3, 0));
    const TIcon icon(TBitmap(color), FilledBitmap(2, 1, clWhite, pf1bit));
    const auto png = ConvertToPNG(icon);
    EXPECT_EQ(png->Pixel(0, 0), RGBColor(200, 100, 50));
    EXPECT_EQ(AlphaAt(*png, 0, 0), 60);
    EXPECT_EQ(AlphaAt(*png, 1, 0), 0);
}

TEST(ConvertToPNG, OtherGraphicsAreDrawnOntoATransparentPicture)
{
    const SquareGraphic square;
    const auto png = ConvertToPNG(square);
    ASSERT_EQ(png->Width(), 6);
    ASSERT_EQ(png->Height(), 4);
    ASSERT_EQ(png->ColorType(), COLOR_RGBALPHA);
    EXPECT_EQ(AlphaAt(*png, 0, 0), 0);
    EXPECT_EQ(AlphaAt(*png, 5, 3), 0);
    EXPECT_EQ(AlphaAt(*png, 2, 1), 255);
    EXPECT_EQ(png->Pixel(3, 2), clRed);
    EXPECT_EQ(AlphaAt(*png, 4, 2), 0);
}

TEST(CreatePNG, AlphaIsTheMasksRedByteOrItsInverse)
{
    TBitmap color = FilledBitmap(3, 2, clRed, pf8bit);
    TBitmap mask = FilledBitmap(2, 2, clBlack);
    mask.SetPixel(1, 0, RGBColor(200, 0, 0));
    auto png = CreatePNG(color, mask, false);
    ASSERT_EQ(png->ColorType(), COLOR_RGBALPHA);
    EXPECT_EQ(png->Pixel(0, 0), clRed);
    EXPECT_EQ(AlphaAt(*png, 0, 0), 0);
    EXPECT_EQ(AlphaAt(*png, 1, 0), 200);
    EXPECT_EQ(AlphaAt(*png, 2, 1), 255);
    png = CreatePNG(color, mask, true);
    EXPECT_EQ(AlphaAt(*png, 0, 0), 255);
    EXPECT_EQ(AlphaAt(*png, 1, 0), 55);
    EXPECT_EQ(AlphaAt(*png, 2, 1), 0);
}

TEST(CreatePNGMasked, AWhiteBackgroundBecomesFullyTransparent)
{
    TBitmap bitmap = FilledBitmap(5, 5, clWhite);
    bitmap.Canvas().Brush.Color = clRed;
    bitmap.Canvas().FillRect(QRect(1, 1, 3, 3));
    bitmap.SetPixel(4, 4, RGBColor(254, 255, 255));
    for (const TColor maskColor : {clWhite, clWindow}) {
        const auto png = CreatePNGMasked(bitmap, maskColor);
        ASSERT_EQ(png->ColorType(), COLOR_RGBALPHA);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 5; ++x) {
                const bool inside = QRect(1, 1, 3, 3).contains(x, y) || (x == 4 && y == 4);
                EXPECT_EQ(AlphaAt(*png, x, y), inside ? 255 : 0) << x << "," << y;
            }
        }
        EXPECT_EQ(png->Pixel(2, 2), clRed);
    }
}

TEST(CopyImageFromImageList, TakesColoursAndTheMaskAsAlpha)
{
    TCustomImageList list;
    list.SetWidth(2);
    list.SetHeight(2);
    TBitmap strip = FilledBitmap(4, 2, clRed);
    strip.SetPixel(2, 0, clGreen);
    TBitmap mask = FilledBitmap(4, 2, clBlack, pf1bit);
    mask.SetPixel(3, 1, clWhite);
    ASSERT_EQ(list.Add(&strip, &mask), 0);
    TPNGObject png;
    CopyImageFromImageList(png, list, 1);
    ASSERT_EQ(png.ColorType(), COLOR_RGBALPHA);
    EXPECT_EQ(png.Pixel(0, 0), clGreen);
    EXPECT_EQ(png.Pixel(1, 0), clRed);
    EXPECT_EQ(AlphaAt(png, 0, 0), 255);
    EXPECT_EQ(AlphaAt(png, 1, 1), 0);

    const TPNGObject before(png);
    CopyImageFromImageList(png, list, 2);
    CopyImageFromImageList(png, list, -1);
    ExpectSamePicture(png, before);
}

// ---- Slicing ----

TEST(SlicePNG, CutsRowByRowAndDropsTheRemainders)
{
    TPNGObject png = RgbaPicture(100, 50, {0, 0, 0, 0});
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            SetRgba(png, x, y, {std::uint8_t(x), std::uint8_t(y), 7, std::uint8_t(x + 2 * y)});
    const TPNGObject before(png);
    const auto parts = SlicePNG(png, 3, 2);
    ASSERT_EQ(parts.size(), 6u);
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const TPNGObject& part = *parts[k];
        ASSERT_EQ(part.Width(), 33);
        ASSERT_EQ(part.Height(), 25);
        ASSERT_EQ(part.ColorType(), COLOR_RGBALPHA);
        const int left = int(k % 3) * 33;
        const int top = int(k / 3) * 25;
        for (int y = 0; y < 25; ++y) {
            for (int x = 0; x < 33; ++x) {
                ASSERT_EQ(part.Pixel(x, y), RGBColor(std::uint8_t(left + x), std::uint8_t(top + y), 7)) << k;
                ASSERT_EQ(AlphaAt(part, x, y), (left + x + 2 * (top + y)) & 0xFF) << k;
            }
        }
    }
    ExpectSamePicture(png, before);
}

TEST(SlicePNG, PicturesWithoutAlphaGiveOpaqueParts)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Suite("basn3p08.png");
    const auto parts = SlicePNG(png, 2, 4);
    ASSERT_EQ(parts.size(), 8u);
    EXPECT_EQ(parts[7]->ColorType(), COLOR_RGB);
    EXPECT_EQ(parts[7]->Pixel(3, 2), png.Pixel(16 + 3, 24 + 2));
}

TEST(SlicePNG, NoPartsWhenAPartWouldBeEmpty)
{
    const TPNGObject png = RgbaPicture(4, 4, {0, 0, 0, 255});
    EXPECT_TRUE(SlicePNG(png, 0, 1).empty());
    EXPECT_TRUE(SlicePNG(png, 1, -2).empty());
    EXPECT_TRUE(SlicePNG(png, 5, 1).empty());
    EXPECT_EQ(SlicePNG(png, 4, 4).size(), 16u);
}

// ---- Drawing ----

TEST(DrawPNG, WithoutOptionsDrawsLikeThePictureItself)
{
    REQUIRE_PNG_SUITE();
    TPNGObject png = Suite("basn6a08.png");
    QImage direct = Surface(0xFF336699, 40, 40);
    QImage drawn = direct;
    {
        TCanvas canvas(&direct);
        png.Draw(canvas, QRect(3, 4, 32, 32));
    }
    {
        TCanvas canvas(&drawn);
        DrawPNG(png, canvas, QRect(3, 4, 32, 32), {});
    }
    EXPECT_EQ(drawn, direct);
    EXPECT_NE(drawn, Surface(0xFF336699, 40, 40));
}

TEST(DrawPNG, BlendAndGreyDrawAHalfTransparentGreyPictureAndLeaveTheCallersPicture)
{
    TPNGObject png = RgbaPicture(2, 2, {255, 0, 0, 255});
    SetRgba(png, 1, 1, {0, 255, 0, 0});
    const TPNGObject before(png);
    QImage image = Surface(qRgb(0, 0, 255), 4, 4);
    {
        TCanvas canvas(&image);
        DrawPNG(png, canvas, QRect(1, 1, 2, 2), {pngBlendOnDisabled, pngGrayscaleOnDisabled});
    }
    // Grey 76 at alpha 128 over blue.
    const QRgb pixel = image.pixel(1, 1);
    EXPECT_NEAR(qRed(pixel), 38, 1);
    EXPECT_NEAR(qGreen(pixel), 38, 1);
    EXPECT_NEAR(qBlue(pixel), 165, 1);
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(3, 1), qRgb(0, 0, 255));
    ExpectSamePicture(png, before);
    EXPECT_EQ(png.Pixel(0, 0), clRed);
}

TEST(DrawPNG, EffectsApplyInOrderBlendGreyBrighterDarker)
{
    const TPNGObject png = RgbaPicture(1, 1, {255, 255, 255, 255});
    QImage image = Surface(qRgb(0, 0, 0), 1, 1);
    {
        TCanvas canvas(&image);
        DrawPNG(png, canvas, QRect(0, 0, 1, 1), {pngDarker, pngBrighter, pngGrayscaleOnDisabled});
    }
    // Brighter stops at 255 before darker takes 55 off; the other way round would give 255.
    EXPECT_EQ(image.pixel(0, 0), qRgb(200, 200, 200));
}

TEST(DrawPNG, BrighterAndDarkerOnAnRgbPicture)
{
    TPNGObject png;
    png.CreateBlank(COLOR_RGB, 8, 1, 1);
    png.SetPixel(0, 0, RGBColor(100, 250, 40));
    QImage image = Surface(qRgb(0, 0, 0), 2, 1);
    {
        TCanvas canvas(&image);
        DrawPNG(png, canvas, QRect(0, 0, 1, 1), {pngBrighter});
        DrawPNG(png, canvas, QRect(1, 0, 1, 1), {pngDarker});
    }
    EXPECT_EQ(image.pixel(0, 0), qRgb(155, 255, 95));
    EXPECT_EQ(image.pixel(1, 0), qRgb(45, 195, 0));
    EXPECT_EQ(png.ColorType(), COLOR_RGB);
    EXPECT_EQ(png.Pixel(0, 0), RGBColor(100, 250, 40));
}

namespace {

// What DrawPNG must show: a copy of the picture with the effects applied, drawn by the picture itself.
QImage DrawnByHand(const TPNGObject& png, TPngOptions options, const QRect& rect, const QImage& background)
{
    TPNGObject work(png);
    if (options.Contains(pngBlendOnDisabled))
        MakeImageBlended(work, 127);
    if (options.Contains(pngGrayscaleOnDisabled))
        MakeImageGrayscale(work, 255);
    if (options.Contains(pngBrighter))
        MakeImageBrighter(work, 55);
    if (options.Contains(pngDarker))
        MakeImageDarker(work, 55);
    QImage image = background;
    TCanvas canvas(&image);
    work.Draw(canvas, rect);
    return image;
}

QImage DrawnByDrawPNG(const TPNGObject& png, TPngOptions options, const QRect& rect, const QImage& background)
{
    QImage image = background;
    TCanvas canvas(&image);
    DrawPNG(png, canvas, rect, options);
    return image;
}

} // namespace

TEST(DrawPNG, MatchesTheEffectsAppliedToACopyForEveryKindOfPicture)
{
    REQUIRE_PNG_SUITE();
    const QImage background = Surface(qRgb(30, 160, 90), 60, 60);
    for (const char* name : {"basn6a08.png", "basn2c08.png", "tbrn2c08.png", "basn3p08.png", "tp1n3p08.png",
                             "basn0g08.png", "basn4a16.png", "tm3n3p02.png"}) {
        SCOPED_TRACE(name);
        const TPNGObject png = Suite(name);
        for (const std::uint8_t bits : {1, 2, 3, 4, 8, 15}) {
            SCOPED_TRACE(int(bits));
            const TPngOptions options = TPngOptions::FromByte(bits);
            for (const QRect rect : {QRect(5, 6, 32, 32), QRect(2, 3, 48, 40)}) {
                const QImage expected = DrawnByHand(png, options, rect, background);
                ASSERT_EQ(DrawnByDrawPNG(png, options, rect, background), expected);
                // A second time, when the result of the first may be reused.
                ASSERT_EQ(DrawnByDrawPNG(png, options, rect, background), expected);
            }
        }
    }
}

TEST(DrawPNG, AChangedPictureIsDrawnAsItIsNow)
{
    TPNGObject png = RgbaPicture(4, 4, {200, 10, 10, 255});
    const QImage background = Surface(qRgb(0, 0, 0), 4, 4);
    const TPngOptions options{pngBrighter};
    EXPECT_EQ(DrawnByDrawPNG(png, options, QRect(0, 0, 4, 4), background).pixel(2, 2), qRgb(255, 65, 65));
    SetRgba(png, 2, 2, {0, 0, 100, 255});
    EXPECT_EQ(DrawnByDrawPNG(png, options, QRect(0, 0, 4, 4), background).pixel(2, 2), qRgb(55, 55, 155));
    png.AlphaScanline(1)[1] = 0;
    EXPECT_EQ(DrawnByDrawPNG(png, options, QRect(0, 0, 4, 4), background).pixel(1, 1), qRgb(0, 0, 0));
    const TPNGObject copy(png);
    EXPECT_EQ(DrawnByDrawPNG(copy, options, QRect(0, 0, 4, 4), background).pixel(2, 2), qRgb(55, 55, 155));
}

// ---- Drawing a picture again after it changed ----

namespace {

// A copy made through a PNG file, sharing nothing with the picture.
TPNGObject Reloaded(const TPNGObject& png)
{
    std::stringstream file;
    png.SaveToStream(file);
    TPNGObject copy;
    copy.LoadFromStream(file);
    return copy;
}

QImage DrawnAtNaturalSize(const TPNGObject& png, TPngOptions options)
{
    return DrawnByDrawPNG(png, options, QRect(1, 1, png.Width(), png.Height()), Surface(qRgb(0, 90, 0), 9, 9));
}

// Pictures as controls hold them: loaded, with no row handed out.
TPNGObject RedPicture()
{
    return Reloaded(RgbaPicture(4, 4, {200, 10, 10, 255}));
}

TPNGObject BluePicture()
{
    return Reloaded(RgbaPicture(4, 4, {10, 10, 200, 255}));
}

TPNGObject PalettePicture()
{
    TPNGObject png;
    png.CreateBlank(COLOR_PALETTE, 8, 4, 4);
    return png;
}

// A way of changing a picture: arm runs before the first draw and returns the change made after it,
// so that a row taken before the draw can be written after it.
struct Change {
    const char* name;
    TPNGObject (*picture)();
    std::function<std::function<void()>(TPNGObject&)> arm;
};

template <typename F>
std::function<std::function<void()>(TPNGObject&)> After(F change)
{
    return [change](TPNGObject& png) { return std::function<void()>([&png, change] { change(png); }); };
}

const Change kChanges[] = {
    {"one pixel", RedPicture, After([](TPNGObject& png) { png.SetPixel(1, 1, RGBColor(0, 0, 100)); })},
    {"a colour row taken after the draw", RedPicture, After([](TPNGObject& png) { png.Scanline(1)[5] = 0; })},
    {"an alpha row taken after the draw", RedPicture, After([](TPNGObject& png) { png.AlphaScanline(2)[2] = 0; })},
    {"a colour row kept across the draw", RedPicture,
     [](TPNGObject& png) {
         std::uint8_t* row = png.Scanline(1);
         return std::function<void()>([row] { row[5] = 0; });
     }},
    {"an alpha row kept across the draw", RedPicture,
     [](TPNGObject& png) {
         std::uint8_t* row = png.AlphaScanline(2);
         return std::function<void()>([row] { row[2] = 0; });
     }},
    {"the palette", PalettePicture, After([](TPNGObject& png) { png.SetPalette({{10, 200, 30}}); })},
    {"the size", RedPicture, After([](TPNGObject& png) { png.CreateBlank(COLOR_RGB, 8, 3, 5); })},
    {"assignment", RedPicture, After([](TPNGObject& png) { png = BluePicture(); })},
    {"assignment of a picture drawn before", RedPicture,
     [](TPNGObject& png) {
         auto blue = std::make_shared<TPNGObject>(BluePicture());
         DrawnAtNaturalSize(*blue, {});
         DrawnAtNaturalSize(*blue, {pngBrighter});
         return std::function<void()>([&png, blue] { png.Assign(*blue); });
     }},
    {"a bitmap", RedPicture, After([](TPNGObject& png) { png.AssignBitmap(FilledBitmap(4, 4, clNavy)); })},
    {"loading", RedPicture, After([](TPNGObject& png) { png = Reloaded(BluePicture()); })},
    {"brighter in place", RedPicture, After([](TPNGObject& png) { MakeImageBrighter(png, 55); })},
    {"blended in place", RedPicture, After([](TPNGObject& png) { MakeImageBlended(png, 127); })},
    {"grey in place", RedPicture, After([](TPNGObject& png) { MakeImageGrayscale(png, 255); })},
    {"grey palette in place", PalettePicture,
     After([](TPNGObject& png) {
         png.SetPalette({{200, 0, 0}});
         DrawnAtNaturalSize(png, {});
         MakeImageGrayscale(png, 255);
     })},
    {"resized", RedPicture, After([](TPNGObject& png) { SmoothResize(png, 6, 6); })},
};

const TPngOptions kDrawOptions[] = {{}, {pngBrighter}, {pngBlendOnDisabled, pngGrayscaleOnDisabled}};

} // namespace

TEST(DrawPNG, EveryChangeOfAPictureShowsAtTheNextDraw)
{
    for (const Change& change : kChanges) {
        SCOPED_TRACE(change.name);
        bool seen = false;
        for (const TPngOptions options : kDrawOptions) {
            SCOPED_TRACE(int(options.Byte()));
            TPNGObject png = change.picture();
            const std::function<void()> apply = change.arm(png);
            const QImage first = DrawnAtNaturalSize(png, options);
            ASSERT_EQ(DrawnAtNaturalSize(png, options), first);
            apply();
            const QImage second = DrawnAtNaturalSize(png, options);
            EXPECT_EQ(second, DrawnAtNaturalSize(Reloaded(png), options));
            seen = seen || second != first;
        }
        EXPECT_TRUE(seen) << "the change never shows";
    }
}

TEST(DrawPNG, CopiesShowThePixelsTheyWereMadeFrom)
{
    for (const TPngOptions options : kDrawOptions) {
        SCOPED_TRACE(int(options.Byte()));
        TPNGObject original = RedPicture();
        const TPNGObject copy(original);
        std::uint8_t* row = original.Scanline(0);
        const QImage red = DrawnAtNaturalSize(original, options);
        TPNGObject assigned;
        assigned.Assign(original);
        row[2] = 0;
        const TPNGObject copyAfterWrite(original);
        original.SetPixel(3, 3, clNavy);
        const QImage changed = DrawnAtNaturalSize(original, options);
        EXPECT_NE(changed, red);
        EXPECT_EQ(DrawnAtNaturalSize(copy, options), red);
        EXPECT_EQ(DrawnAtNaturalSize(assigned, options), red);
        EXPECT_EQ(DrawnAtNaturalSize(copyAfterWrite, options), DrawnAtNaturalSize(Reloaded(copyAfterWrite), options));
        EXPECT_NE(DrawnAtNaturalSize(copyAfterWrite, options), red);
    }
}

TEST(CopyImageFromImageList, TakesAnExactCopyOfAPngListsPicture)
{
    TPngImageList list;
    TPNGObject deep;
    deep.CreateBlank(COLOR_GRAYSCALE, 16, 2, 2);
    deep.Scanline(1)[0] = 0xAB;
    deep.Scanline(1)[1] = 0xCD;
    TPNGObject picture = RgbaPicture(5, 3, {10, 20, 30, 40});
    SetRgba(picture, 4, 2, {1, 2, 3, 0});
    list.PngImages().Add().SetPngImage(deep);
    list.PngImages().Add().SetPngImage(picture);
    TPNGObject png;
    CopyImageFromImageList(png, list, 0);
    ExpectSamePicture(png, deep);
    CopyImageFromImageList(png, list, 1);
    ExpectSamePicture(png, picture);
    CopyImageFromImageList(png, list, 2);
    CopyImageFromImageList(png, list, -1);
    ExpectSamePicture(png, picture);
}

// ---- Transparency under the effects ----

namespace {

// Which pixels the picture shows as fully transparent.
std::vector<bool> TransparentPixels(const QImage& image)
{
    std::vector<bool> transparent;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            transparent.push_back(qAlpha(image.pixel(x, y)) == 0);
    return transparent;
}

struct Effect {
    const char* name;
    void (*apply)(TPNGObject&, int);
    int amount;
};

const Effect kEffects[] = {
    {"blended", MakeImageBlended, 127},   {"grayscale", MakeImageGrayscale, 255},
    {"brighter", MakeImageBrighter, 55},  {"darker", MakeImageDarker, 55},
    {"alpha channel", MakeImageAlphaChannel, 200},
};

// Pictures with one fully transparent colour: RGB and grey colour keys at 4, 8 and 16 bits, palettes with one
// transparent entry.
const char* const kKeyedPictures[] = {"tbrn2c08.png", "tbbn2c16.png", "tbgn2c16.png", "tbwn0g16.png",
                                      "tbbn0g04.png", "tbbn3p08.png", "tp1n3p08.png"};

} // namespace

TEST(Effects, KeepWhichPixelsAreTransparentInPicturesWithATransparentColour)
{
    REQUIRE_PNG_SUITE();
    for (const char* name : kKeyedPictures) {
        const TPNGObject original = Suite(name);
        ASSERT_EQ(original.TransparencyMode(), ptmBit) << name;
        const std::vector<bool> transparent = TransparentPixels(original.ToQImage());
        for (const Effect& effect : kEffects) {
            TPNGObject png(original);
            effect.apply(png, effect.amount);
            EXPECT_EQ(TransparentPixels(png.ToQImage()), transparent) << name << ", " << effect.name;
        }
    }
}

TEST(DrawPNG, EveryOptionKeepsTheTransparentPixelsOfAColourKey)
{
    REQUIRE_PNG_SUITE();
    const TPNGObject png = Suite("tbrn2c08.png");
    const QImage background = Surface(qRgba(0, 0, 0, 0), png.Width(), png.Height());
    const QRect rect(0, 0, png.Width(), png.Height());
    const std::vector<bool> transparent = TransparentPixels(DrawnByDrawPNG(png, {}, rect, background));
    ASSERT_EQ(std::count(transparent.begin(), transparent.end(), true), 453);
    for (std::uint8_t bits = 1; bits < 16; ++bits)
        EXPECT_EQ(TransparentPixels(DrawnByDrawPNG(png, TPngOptions::FromByte(bits), rect, background)), transparent)
            << "options " << int(bits);
}

TEST(MakeImageBlended, SixteenBitColourKeysMatchAtSixteenBits)
{
    REQUIRE_PNG_SUITE();
    // A pixel one step from the key in every 16-bit sample is visible and takes the blend's alpha.
    const struct {
        const char* name;
        int alpha;
    } cases[] = {{"tbbn2c16.png", 128}, {"tbgn2c16.png", 128}, {"tbwn0g16.png", 127}};
    for (const auto& [name, alpha] : cases) {
        SCOPED_TRACE(name);
        TPNGObject png = Suite(name);
        const std::vector<bool> transparent = TransparentPixels(png.ToQImage());
        const auto keyAt = std::find(transparent.begin(), transparent.end(), true) - transparent.begin();
        const auto visibleAt = std::find(transparent.begin(), transparent.end(), false) - transparent.begin();
        const int width = png.Width();
        const std::size_t pixelBytes = png.ColorType() == COLOR_RGB ? 6 : 2;
        const std::uint8_t* key = png.Scanline(int(keyAt / width)) + std::size_t(keyAt % width) * pixelBytes;
        std::uint8_t* near = png.Scanline(int(visibleAt / width)) + std::size_t(visibleAt % width) * pixelBytes;
        for (std::size_t i = 0; i < pixelBytes; ++i)
            near[i] = i % 2 == 1 ? std::uint8_t(key[i] ^ 1) : key[i];
        MakeImageBlended(png, 127);
        const QImage blended = png.ToQImage();
        EXPECT_EQ(qAlpha(blended.pixel(int(keyAt % width), int(keyAt / width))), 0);
        EXPECT_EQ(qAlpha(blended.pixel(int(visibleAt % width), int(visibleAt / width))), alpha);
    }
}
