#include "classlib/imagelist.h"

#include <gtest/gtest.h>

namespace {

// A strip of count pictures of size × size, picture i filled with colours[i].
TBitmap Strip(int size, const std::vector<TColor>& colors)
{
    TBitmap strip(size * int(colors.size()), size);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        strip.Canvas().Brush.Color = colors[i];
        strip.Canvas().FillRect(QRect(int(i) * size, 0, size, size));
    }
    return strip;
}

// Whether the icon's mask shows the colour at (x, y).
bool Opaque(const TIcon& icon, int x, int y)
{
    return icon.MaskBitmap().Pixel(x, y) == clBlack;
}

} // namespace

TEST(ImageList, StartsEmptyAtSixteenBySixteen)
{
    const TCustomImageList list;
    EXPECT_EQ(list.Width(), 16);
    EXPECT_EQ(list.Height(), 16);
    EXPECT_EQ(list.Count(), 0);
}

TEST(ImageList, AStripAddsOnePicturePerSliceWithItsMask)
{
    TCustomImageList list;
    list.SetWidth(4);
    list.SetHeight(4);
    const TBitmap strip = Strip(4, {clRed, clGreen, clNavy});
    TBitmap mask(12, 4, pf1bit);
    mask.Fill(clBlack);
    mask.SetPixel(5, 2, clWhite);
    EXPECT_EQ(list.Add(&strip, &mask), 0);
    EXPECT_EQ(list.Add(&strip, nullptr), 3);
    ASSERT_EQ(list.Count(), 6);

    TIcon icon;
    ASSERT_TRUE(list.GetIcon(1, icon));
    EXPECT_EQ(icon.Width(), 4);
    EXPECT_EQ(icon.ColorBitmap().Pixel(0, 0), clGreen);
    EXPECT_FALSE(Opaque(icon, 1, 2));
    EXPECT_TRUE(Opaque(icon, 2, 2));
    EXPECT_FALSE(icon.HasAlpha());
    ASSERT_TRUE(list.GetIcon(4, icon));
    EXPECT_TRUE(Opaque(icon, 1, 2));
    EXPECT_EQ(icon.ColorBitmap().Pixel(3, 3), clGreen);
}

TEST(ImageList, AbsentOrNarrowImagesAddNothing)
{
    TCustomImageList list;
    const TBitmap narrow(15, 16);
    EXPECT_EQ(list.Add(nullptr, nullptr), -1);
    EXPECT_EQ(list.Add(&narrow, nullptr), -1);
    EXPECT_EQ(list.AddIcon(nullptr), -1);
    const TIcon empty;
    EXPECT_EQ(list.AddIcon(&empty), -1);
    EXPECT_EQ(list.Count(), 0);
}

TEST(ImageList, ShortImagesAreTransparentBelowTheirLastRow)
{
    TCustomImageList list;
    list.SetHeight(4);
    list.SetWidth(2);
    const TBitmap shortImage(2, 3);
    ASSERT_EQ(list.Add(&shortImage, nullptr), 0);
    TIcon icon;
    ASSERT_TRUE(list.GetIcon(0, icon));
    EXPECT_TRUE(Opaque(icon, 1, 2));
    EXPECT_FALSE(Opaque(icon, 1, 3));
}

TEST(ImageList, IconsAreStretchedAndKeepTheirAlpha)
{
    TCustomImageList list;
    list.SetWidth(2);
    list.SetHeight(2);
    QImage color(4, 4, QImage::Format_ARGB32);
    color.fill(qRgba(10, 20, 30, 255));
    for (int y = 0; y < 4; ++y)
        for (int x = 2; x < 4; ++x)
            color.setPixel(x, y, qRgba(10, 20, 30, 0));
    TBitmap mask(4, 4, pf1bit);
    mask.Fill(clBlack);
    const TIcon big(TBitmap(color), mask);
    ASSERT_EQ(list.AddIcon(&big), 0);
    TIcon icon;
    ASSERT_TRUE(list.GetIcon(0, icon));
    ASSERT_EQ(icon.Width(), 2);
    EXPECT_TRUE(icon.HasAlpha());
    const QImage image = icon.ToQImage();
    EXPECT_EQ(image.pixel(0, 1), qRgba(10, 20, 30, 255));
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);
}

TEST(ImageList, GetIconOutsideTheListLeavesTheIcon)
{
    TCustomImageList list;
    const TBitmap picture(16, 16);
    list.Add(&picture, nullptr);
    TIcon icon = TIcon(TBitmap(3, 3), TBitmap(3, 3, pf1bit));
    EXPECT_FALSE(list.GetIcon(1, icon));
    EXPECT_FALSE(list.GetIcon(-1, icon));
    EXPECT_EQ(icon.Width(), 3);
}

TEST(ImageList, ANewSizeDiscardsThePicturesAndEveryChangeIsSignalled)
{
    TCustomImageList list;
    int changes = 0;
    QObject::connect(&list, &TCustomImageList::Change, [&changes] { ++changes; });
    const TBitmap picture(32, 16);
    list.Add(&picture, nullptr);
    EXPECT_EQ(changes, 1);
    list.SetWidth(16);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(changes, 1);
    list.SetHeight(24);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(changes, 2);
    list.Add(&picture, nullptr);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(changes, 4);
}
