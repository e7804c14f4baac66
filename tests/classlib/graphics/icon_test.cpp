#include "classlib/graphics/icon.h"

#include "classlib/base/exception.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

// A 4 × 2 red icon whose right half is masked out.
TIcon HalfMaskedIcon()
{
    TBitmap color(4, 2);
    color.Fill(clRed);
    TBitmap mask(4, 2, pf1bit);
    mask.Fill(clBlack);
    for (int y = 0; y < 2; ++y) {
        mask.SetPixel(2, y, clWhite);
        mask.SetPixel(3, y, clWhite);
    }
    return TIcon(color, mask);
}

QImage DrawnOnto(const TIcon& icon, const QRect& rect, QSize size)
{
    QImage surface(size, QImage::Format_ARGB32_Premultiplied);
    surface.fill(Qt::white);
    TCanvas canvas(&surface);
    canvas.StretchDraw(rect, icon);
    return surface;
}

} // namespace

TEST(Icon, TheMaskDecidesWhereTheColourShows)
{
    const TIcon icon = HalfMaskedIcon();
    EXPECT_FALSE(icon.HasAlpha());
    const QImage drawn = DrawnOnto(icon, QRect(1, 1, 4, 2), QSize(6, 4));
    EXPECT_EQ(drawn.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(drawn.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(drawn.pixel(3, 1), qRgb(255, 255, 255));
    EXPECT_EQ(drawn.pixel(4, 2), qRgb(255, 255, 255));
    const QImage image = icon.ToQImage();
    EXPECT_EQ(image.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(image.pixel(3, 0)), 0);
}

TEST(Icon, AThirtyTwoBitColourBitmapWithAlphaOverridesTheMask)
{
    QImage color(2, 1, QImage::Format_ARGB32);
    color.setPixel(0, 0, qRgba(0, 0, 255, 255));
    color.setPixel(1, 0, qRgba(0, 0, 255, 0));
    TBitmap mask(2, 1, pf1bit);
    mask.Fill(clWhite);
    const TIcon icon(TBitmap(color), mask);
    EXPECT_TRUE(icon.HasAlpha());
    const QImage drawn = DrawnOnto(icon, QRect(0, 0, 2, 1), QSize(2, 1));
    EXPECT_EQ(drawn.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(drawn.pixel(1, 0), qRgb(255, 255, 255));
}

TEST(Icon, ThirtyTwoBitColourWithAllAlphaZeroFallsBackToTheMask)
{
    QImage color(2, 1, QImage::Format_ARGB32);
    color.fill(qRgba(0, 128, 0, 0));
    TBitmap mask(2, 1, pf1bit);
    mask.Fill(clBlack);
    mask.SetPixel(1, 0, clWhite);
    const TIcon icon(TBitmap(color), mask);
    EXPECT_FALSE(icon.HasAlpha());
    const QImage drawn = DrawnOnto(icon, QRect(0, 0, 2, 1), QSize(2, 1));
    EXPECT_EQ(drawn.pixel(0, 0), qRgb(0, 128, 0));
    EXPECT_EQ(drawn.pixel(1, 0), qRgb(255, 255, 255));
}

TEST(Icon, MaskAndColourMustMatchInSize)
{
    EXPECT_THROW(TIcon(TBitmap(4, 4), TBitmap(4, 3, pf1bit)), EInvalidGraphic);
    TIcon icon = HalfMaskedIcon();
    EXPECT_THROW(icon.SetBitmaps(TBitmap(2, 2), TBitmap(3, 2, pf1bit)), EInvalidGraphic);
    EXPECT_EQ(icon.Width(), 4);
    EXPECT_TRUE(TIcon().Empty());
}
