#include "png/pngimagecollectionitems.h"

#include "classlib/base/exception.h"
#include "png/pngimagelist.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(const TPngImageCollectionItems& items)
{
    std::vector<std::string> names;
    for (int i = 0; i < items.Count(); ++i)
        names.push_back(items.GetItem(i)->Name().Bytes());
    return names;
}

} // namespace

TEST(PngImageCollectionItems, NamesFollowTheIndexAtCreationAndAreNeverRenumbered)
{
    TPngImageCollectionItems items(nullptr);
    items.Add();
    items.Add();
    EXPECT_EQ(Names(items), (std::vector<std::string>{"PngImage0", "PngImage1"}));
    items.Delete(0);
    items.Add();
    EXPECT_EQ(Names(items), (std::vector<std::string>{"PngImage1", "PngImage1"}));
    items.Insert(0);
    EXPECT_EQ(Names(items), (std::vector<std::string>{"PngImage2", "PngImage1", "PngImage1"}));
}

TEST(PngImageCollectionItems, NewItemsHaveAnEmptyPictureUnlessAskedForNone)
{
    TPngImageCollectionItems items(nullptr);
    ASSERT_NE(items.Add().PngImage(), nullptr);
    EXPECT_TRUE(items.GetItem(0)->PngImage()->Empty());
    EXPECT_EQ(items.Add(true).PngImage(), nullptr);
    EXPECT_EQ(items.Insert(1, true).PngImage(), nullptr);
    EXPECT_EQ(items.GetItem(0)->Background(), clBtnFace);
}

TEST(PngImageCollectionItems, IndexesOutsideTheCollectionFindNothingAndChangeNothing)
{
    TPngImageCollectionItems items(nullptr);
    items.Add().SetName("first");
    TPngImageCollectionItems others(nullptr);
    TPngImageCollectionItem& other = others.Add();
    other.SetName("other");
    for (const int index : {-1, 1, 1000}) {
        EXPECT_EQ(items.GetItem(index), nullptr);
        items.SetItem(index, other);
    }
    EXPECT_THROW(items.Insert(2), ERangeError);
    EXPECT_THROW(items.Insert(-1), ERangeError);
    EXPECT_EQ(Names(items), std::vector<std::string>{"first"});
    items.SetItem(0, other);
    EXPECT_EQ(Names(items), std::vector<std::string>{"other"});
}

TEST(PngImageCollectionItems, AnEmptyCollectionIsStoredAsAnEmptyCollection)
{
    TPngImageCollectionItems items(nullptr);
    const TFormValue stored = items.ToFormValue();
    EXPECT_EQ(stored.kind, TFormValue::Kind::Collection);
    EXPECT_TRUE(stored.items.empty());
    items.Add(true);
    items.ReadFormValue(stored);
    EXPECT_EQ(items.Count(), 0);
}

TEST(PngImageCollectionItems, ForgetAnOwnerListThatIsDestroyed)
{
    auto list = std::make_unique<TPngImageList>();
    TPngImageCollectionItems items(list.get());
    list.reset();
    EXPECT_EQ(items.GetOwner(), nullptr);
    items.Add().SetBackground(clWhite);
    EXPECT_EQ(items.Count(), 1);
}
