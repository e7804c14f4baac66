#include "classlib/graphics/imagelist.h"

#include "classlib/graphics/canvas.h"
#include "classlib/base/exception.h"
#include "support/testchild.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

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

namespace {

// A list of size × size pictures, picture i filled with colours[i].
void FillList(TCustomImageList& list, int size, const std::vector<TColor>& colors)
{
    list.SetWidth(size);
    list.SetHeight(size);
    const TBitmap strip = Strip(size, colors);
    list.Add(&strip, nullptr);
}

// The fill colour of every picture, in list order.
std::vector<TColor> Colors(const TCustomImageList& list)
{
    std::vector<TColor> colors;
    for (int i = 0; i < list.Count(); ++i)
        colors.push_back(FromQRgb(list.GetImage(i).pixel(0, 0)));
    return colors;
}

} // namespace

TEST(ImageList, InsertReplaceAndMovePutPicturesWhereAsked)
{
    TCustomImageList list;
    FillList(list, 2, {clRed, clGreen, clNavy});
    const TBitmap white = Strip(2, {clWhite});
    list.Insert(3, &white, nullptr);
    EXPECT_EQ(Colors(list), (std::vector<TColor>{clRed, clGreen, clNavy, clWhite}));
    list.Move(0, 2);
    EXPECT_EQ(Colors(list), (std::vector<TColor>{clGreen, clNavy, clRed, clWhite}));
    list.Move(3, 0);
    EXPECT_EQ(Colors(list), (std::vector<TColor>{clWhite, clGreen, clNavy, clRed}));
    const TBitmap gray = Strip(2, {clGray});
    list.Replace(3, &gray, nullptr);
    list.Delete(1);
    EXPECT_EQ(Colors(list), (std::vector<TColor>{clWhite, clNavy, clGray}));
}

TEST(ImageList, IndexesOutsideTheListRaiseAndChangeNothing)
{
    TCustomImageList list;
    FillList(list, 2, {clRed, clGreen});
    const TBitmap white = Strip(2, {clWhite});
    const TIcon icon(Strip(2, {clWhite}), TBitmap(2, 2, pf1bit));
    int changes = 0;
    QObject::connect(&list, &TCustomImageList::Change, [&changes] { ++changes; });
    const std::vector<std::function<void()>> calls = {
        [&] { list.Delete(2); },           [&] { list.Delete(-1); },
        [&] { list.Insert(3, &white, nullptr); }, [&] { list.InsertIcon(-1, &icon); },
        [&] { list.InsertMasked(3, &white, clWhite); }, [&] { list.Move(0, 2); },
        [&] { list.Move(-1, 0); },         [&] { list.Replace(2, &white, nullptr); },
        [&] { list.ReplaceIcon(-1, &icon); }, [&] { list.ReplaceMasked(9, &white, clWhite); },
        [&] { list.SetWidth(0); },         [&] { list.SetHeight(TCustomImageList::kMaxSide + 1); },
    };
    for (std::size_t k = 0; k < calls.size(); ++k)
        EXPECT_THROW(calls[k](), EInvalidOperation) << "call " << k;
    EXPECT_EQ(Colors(list), (std::vector<TColor>{clRed, clGreen}));
    EXPECT_EQ(list.Width(), 2);
    EXPECT_EQ(changes, 0);
}

TEST(ImageList, MaskedOperationsMakeTheMaskColourTransparent)
{
    TCustomImageList list;
    list.SetWidth(2);
    list.SetHeight(2);
    TBitmap picture = Strip(2, {clRed});
    picture.SetPixel(1, 1, clWhite);
    const TBitmap other = Strip(2, {clGreen});
    ASSERT_EQ(list.AddMasked(&picture, clWhite), 0);
    list.InsertMasked(0, &other, clRed);
    list.ReplaceMasked(1, &picture, clRed);
    const QImage inserted = list.GetImage(0);
    const QImage replaced = list.GetImage(1);
    EXPECT_EQ(qAlpha(inserted.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(replaced.pixel(0, 0)), 0);
    EXPECT_EQ(replaced.pixel(1, 1), qRgba(255, 255, 255, 255));
}

TEST(ImageList, AnUnmaskedListKeepsEveryPixelOpaque)
{
    TCustomImageList list;
    list.SetMasked(false);
    list.SetWidth(2);
    list.SetHeight(3);
    TBitmap mask(2, 1, pf1bit);
    mask.Fill(clWhite);
    const TBitmap shortImage = Strip(2, {clRed});
    list.Add(&shortImage, &mask);
    const QImage image = list.GetImage(0);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(image.pixel(1, 2)), 255);
}

TEST(ImageList, AddImagesAndAssignCopyEveryPicture)
{
    TCustomImageList list;
    FillList(list, 3, {clRed, clGreen});
    list.AddImages(&list);
    list.AddImages(nullptr);
    EXPECT_EQ(Colors(list), (std::vector<TColor>{clRed, clGreen, clRed, clGreen}));
    TCustomImageList copy;
    copy.SetMasked(false);
    copy.Assign(list);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_TRUE(copy.Masked());
    EXPECT_EQ(Colors(copy), Colors(list));
}

TEST(ImageList, WidgetsGetThePicturesAsImagesAndIcons)
{
    TCustomImageList list;
    FillList(list, 4, {clRed});
    EXPECT_EQ(list.GetQIcon(0).pixmap(4, 4).toImage().pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_TRUE(list.GetQIcon(1).isNull());
    EXPECT_TRUE(list.GetImage(-1).isNull());
}

TEST(ImageList, DrawsEnabledAsItIsAndDisabledGreyAtHalfOpacity)
{
    TCustomImageList list;
    FillList(list, 4, {clRed});
    QImage target(12, 4, QImage::Format_ARGB32);
    target.fill(Qt::transparent);
    {
        TCanvas canvas(&target);
        list.Draw(canvas, 0, 0, 0);
        list.Draw(canvas, 4, 0, 0, false);
        list.Draw(canvas, 8, 0, 1);
    }
    EXPECT_EQ(target.pixel(1, 1), qRgba(255, 0, 0, 255));
    const QColor disabled = target.pixelColor(5, 1);
    EXPECT_EQ(disabled.red(), disabled.green());
    EXPECT_NEAR(disabled.alpha(), 127, 1);
    EXPECT_EQ(qAlpha(target.pixel(9, 1)), 0);
}

TEST(ImageList, PicturesThatCannotBeAllocatedRaiseInsteadOfCrashing)
{
    if (kSanitizedBuild)
        GTEST_SKIP() << "an address-space limit does not work under a sanitizer";
    const std::map<std::string, std::function<void(TCustomImageList&, const TBitmap&)>> cases = {
        {"Add", [](TCustomImageList& list, const TBitmap& big) { list.Add(&big, nullptr); }},
        {"AddMasked", [](TCustomImageList& list, const TBitmap& big) { list.AddMasked(&big, clWhite); }},
        {"AddIcon", [](TCustomImageList& list, const TBitmap&) {
             const TIcon small(TBitmap(8, 8, pf32bit), TBitmap(8, 8, pf1bit));
             list.AddIcon(&small);
         }},
    };
    if (IsTestChild()) {
        TCustomImageList list;
        list.SetWidth(TCustomImageList::kMaxSide);
        list.SetHeight(TCustomImageList::kMaxSide);
        const TBitmap big(TCustomImageList::kMaxSide, TCustomImageList::kMaxSide, pf32bit);
        LimitAddressSpace(std::size_t{8} << 20);
        try {
            cases.at(TestChildPart())(list, big);
        } catch (const EOutOfResources&) {
            ::_exit(list.Count() == 0 ? 0 : 2);
        }
        ::_exit(1);
    }
    for (const auto& [name, add] : cases) {
        const ChildOutcome outcome = RunTestInChild(name);
        EXPECT_TRUE(outcome.exited) << name << ": ended by signal " << outcome.signal;
        EXPECT_EQ(outcome.exitCode, 0) << name;
    }
}
