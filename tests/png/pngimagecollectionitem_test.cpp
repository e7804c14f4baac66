#include "png/pngimagecollectionitem.h"

#include "classlib/base/exception.h"
#include "png/pngimagecollectionitems.h"

#include <gtest/gtest.h>

namespace {

TPNGObject GreyPicture(std::uint8_t level)
{
    TPNGObject png;
    png.CreateBlank(COLOR_GRAYSCALE, 8, 3, 2);
    png.Scanline(1)[2] = level;
    return png;
}

// Counts the updates that reach the collection.
class CountingItems : public TPngImageCollectionItems {
public:
    CountingItems() : TPngImageCollectionItems(nullptr) {}
    void Update(TCollectionItem* item) override
    {
        ++updates;
        TPngImageCollectionItems::Update(item);
    }
    int updates = 0;
};

class PlainItem : public TCollectionItem {
    using TCollectionItem::TCollectionItem;
};

} // namespace

TEST(PngImageCollectionItem, ChangesOfPictureOrBackgroundReachTheCollection)
{
    CountingItems items;
    TPngImageCollectionItem& item = items.Add();
    items.updates = 0;
    item.SetPngImage(GreyPicture(9));
    item.SetBackground(clBtnFace);
    EXPECT_EQ(items.updates, 1);
    item.SetBackground(clWindow);
    EXPECT_EQ(items.updates, 2);
    EXPECT_EQ(item.PngImage()->Pixel(2, 1), RGBColor(9, 9, 9));
}

TEST(PngImageCollectionItem, AssignCopiesPictureBackgroundAndName)
{
    TPngImageCollectionItems items(nullptr);
    TPngImageCollectionItem& source = items.Add();
    source.SetPngImage(GreyPicture(77));
    source.SetBackground(clWindow);
    source.SetName("lamp");
    TPngImageCollectionItem& copy = items.Add(true);
    copy.Assign(source);
    ASSERT_NE(copy.PngImage(), nullptr);
    EXPECT_NE(copy.PngImage(), source.PngImage());
    EXPECT_EQ(copy.PngImage()->Pixel(2, 1), RGBColor(77, 77, 77));
    EXPECT_EQ(copy.Background(), clWindow);
    EXPECT_EQ(copy.Name(), AnsiString("lamp"));

    const TPngImageCollectionItem& without = items.Add(true);
    copy.Assign(without);
    EXPECT_EQ(copy.PngImage(), nullptr);
    const PlainItem plain(items);
    EXPECT_THROW(copy.Assign(plain), EConvertError);
}

TEST(PngImageCollectionItem, DuplicateGivesAnIndependentCopy)
{
    TPngImageCollectionItems items(nullptr);
    TPngImageCollectionItem& item = items.Add();
    item.SetPngImage(GreyPicture(50));
    const auto copy = item.Duplicate();
    copy->Scanline(1)[2] = 1;
    EXPECT_EQ(item.PngImage()->Pixel(2, 1), RGBColor(50, 50, 50));
    EXPECT_TRUE(items.Add(true).Duplicate()->Empty());
}

TEST(PngImageCollectionItem, DisplayNameIsTheNameOrElseTheKind)
{
    TPngImageCollectionItems items(nullptr);
    TPngImageCollectionItem& item = items.Add();
    EXPECT_EQ(item.GetDisplayName(), AnsiString("PngImage0"));
    item.SetName("");
    EXPECT_EQ(item.GetDisplayName(), AnsiString("TPngImageCollectionItem"));
}
