#include "classlib/graphics/bitmap.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

QImage DrawnOnto(const TBitmap& bitmap, QRgb background)
{
    QImage surface(bitmap.Width(), bitmap.Height(), QImage::Format_ARGB32_Premultiplied);
    surface.fill(background);
    TCanvas canvas(&surface);
    canvas.Draw(0, 0, bitmap);
    return surface;
}

} // namespace

TEST(Bitmap, NewBitmapsOfEveryFormatAreWhiteAndKeepTheColoursSet)
{
    for (const TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit}) {
        TBitmap bitmap(3, 2, format);
        EXPECT_EQ(bitmap.PixelFormat(), format);
        EXPECT_EQ(bitmap.Pixel(2, 1), clWhite) << format;
        bitmap.SetPixel(1, 1, clBlack);
        EXPECT_EQ(bitmap.Pixel(1, 1), clBlack) << format;
    }
}

TEST(Bitmap, IndexedBitmapsTakeTheNearestColourOfTheirTable)
{
    TBitmap mono(2, 1, pf1bit);
    mono.SetPixel(0, 0, RGBColor(90, 90, 90));
    mono.SetPixel(1, 0, RGBColor(200, 180, 190));
    EXPECT_EQ(mono.Pixel(0, 0), clBlack);
    EXPECT_EQ(mono.Pixel(1, 0), clWhite);
    TBitmap eight(1, 1, pf8bit);
    eight.SetPixel(0, 0, RGBColor(250, 5, 100));
    EXPECT_EQ(eight.Pixel(0, 0), RGBColor(255, 0, 102));
    TBitmap four(1, 1, pf4bit);
    four.SetPixel(0, 0, clSilver);
    EXPECT_EQ(four.Pixel(0, 0), clSilver);
}

TEST(Bitmap, TwentyFourBitPixelsLieBlueGreenRedInMemory)
{
    TBitmap bitmap(2, 1, pf24bit);
    bitmap.SetPixel(1, 0, RGBColor(0x11, 0x22, 0x33));
    const uchar* bytes = bitmap.Image().constScanLine(0);
    EXPECT_EQ(bytes[3], 0x33);
    EXPECT_EQ(bytes[4], 0x22);
    EXPECT_EQ(bytes[5], 0x11);
}

TEST(Bitmap, CanvasPaintingIsSeenThroughThePixels)
{
    TBitmap bitmap(10, 10);
    bitmap.Canvas().Brush.Color = clRed;
    bitmap.Canvas().FillRect(QRect(2, 2, 3, 3));
    EXPECT_EQ(bitmap.Pixel(3, 3), clRed);
    EXPECT_EQ(bitmap.Pixel(5, 5), clWhite);
    bitmap.Canvas().FillRect(QRect(6, 6, 1, 1));
    EXPECT_EQ(bitmap.Pixel(6, 6), clRed);
}

TEST(Bitmap, CopiesAreIndependent)
{
    TBitmap original(4, 4);
    original.Transparent = true;
    TBitmap copy(original);
    copy.SetPixel(0, 0, clNavy);
    EXPECT_EQ(original.Pixel(0, 0), clWhite);
    EXPECT_TRUE(copy.Transparent);
    original = copy;
    EXPECT_EQ(original.Pixel(0, 0), clNavy);
    EXPECT_EQ(copy.Pixel(1, 1), clWhite);
}

TEST(Bitmap, SetSizeKeepsTheFormatAndStartsWhite)
{
    TBitmap bitmap(2, 2, pf8bit);
    bitmap.SetPixel(0, 0, clBlack);
    bitmap.SetSize(5, 3);
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
    EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
}

TEST(Bitmap, FormatChangesKeepTheColours)
{
    TBitmap bitmap(2, 1, pf24bit);
    bitmap.SetPixel(0, 0, clRed);
    bitmap.SetPixelFormat(pf32bit);
    EXPECT_EQ(bitmap.Pixel(0, 0), clRed);
    bitmap.SetPixelFormat(pf8bit);
    EXPECT_EQ(bitmap.Pixel(0, 0), clRed);
    bitmap.SetPixelFormat(pf1bit);
    EXPECT_EQ(bitmap.Pixel(1, 0), clWhite);
}

TEST(Bitmap, TransparentBitmapsLeaveOutTheBottomLeftColourOrTheFixedOne)
{
    TBitmap bitmap(3, 2);
    bitmap.SetPixel(0, 1, clRed);
    bitmap.SetPixel(2, 0, clRed);
    bitmap.Transparent = true;
    EXPECT_EQ(bitmap.ActualTransparentColor(), clRed);
    QImage drawn = DrawnOnto(bitmap, 0xFF0000FF);
    EXPECT_EQ(drawn.pixel(0, 1), 0xFF0000FFu);
    EXPECT_EQ(drawn.pixel(2, 0), 0xFF0000FFu);
    EXPECT_EQ(drawn.pixel(1, 1), 0xFFFFFFFFu);

    bitmap.TransparentMode = tmFixed;
    bitmap.TransparentColor = clWhite;
    drawn = DrawnOnto(bitmap, 0xFF0000FF);
    EXPECT_EQ(drawn.pixel(0, 1), 0xFFFF0000u);
    EXPECT_EQ(drawn.pixel(1, 1), 0xFF0000FFu);
}

TEST(Bitmap, ThirtyTwoBitAlphaIsUsedForDrawingOnlyWhenDefined)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 0, 0, 0));
    image.setPixel(1, 0, qRgba(0, 255, 0, 128));
    TBitmap bitmap(image);
    EXPECT_TRUE(bitmap.HasAlpha());
    EXPECT_EQ(DrawnOnto(bitmap, 0xFF000000).pixel(0, 0), 0xFFFF0000u);
    bitmap.AlphaFormat = afDefined;
    const QImage blended = DrawnOnto(bitmap, 0xFF000000);
    EXPECT_EQ(blended.pixel(0, 0), 0xFF000000u);
    EXPECT_NEAR(qGreen(blended.pixel(1, 0)), 128, 1);
}

TEST(Bitmap, OnlyThirtyTwoBitBitmapsWithANonZeroAlphaByteCarryAlpha)
{
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(0);
    EXPECT_FALSE(TBitmap(image).HasAlpha());
    image.setPixel(1, 1, qRgba(0, 0, 0, 1));
    EXPECT_TRUE(TBitmap(image).HasAlpha());
    EXPECT_FALSE(TBitmap(2, 2, pf24bit).HasAlpha());
}

TEST(Bitmap, CanvasesPaintOnEveryFormat)
{
    // Painted colours land as the format holds them: indexed bitmaps take the nearest colour of their table.
    const struct {
        TPixelFormat format;
        TColor painted;
        TColor held;
    } cases[] = {
        {pf1bit, RGBColor(60, 60, 60), clBlack},     {pf4bit, clRed, clRed},
        {pf4bit, RGBColor(250, 10, 0), clRed},       {pf8bit, RGBColor(51, 102, 153), RGBColor(51, 102, 153)},
        {pf8bit, RGBColor(250, 5, 100), RGBColor(255, 0, 102)}, {pf15bit, clRed, clRed},
        {pf16bit, RGBColor(0, 0, 255), RGBColor(0, 0, 255)}, {pf24bit, RGBColor(1, 2, 3), RGBColor(1, 2, 3)},
        {pf32bit, RGBColor(1, 2, 3), RGBColor(1, 2, 3)},
    };
    for (const auto& [format, painted, held] : cases) {
        SCOPED_TRACE(format);
        TBitmap bitmap(6, 5, format);
        bitmap.Canvas().Brush.Color = painted;
        bitmap.Canvas().FillRect(QRect(1, 1, 2, 2));
        EXPECT_EQ(bitmap.Pixel(2, 2), held);
        EXPECT_EQ(bitmap.Pixel(3, 3), clWhite);
        EXPECT_EQ(bitmap.PixelFormat(), format);
        // A later canvas goes on from what the first one left.
        bitmap.Canvas().FillRect(QRect(4, 3, 1, 1));
        EXPECT_EQ(bitmap.Pixel(4, 3), held);
        EXPECT_EQ(bitmap.Pixel(2, 2), held);
    }
}
