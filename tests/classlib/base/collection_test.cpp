#include "classlib/base/collection.h"
#include "classlib/base/collectionitem.h"
#include "classlib/base/exception.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class NumberItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    int value = 0;
    void Assign(const TCollectionItem& source) override { value = static_cast<const NumberItem&>(source).value; }
    void Touch() { Changed(false); }
};

// Counts every Update and remembers which item it named.
class Numbers : public TCollection {
public:
    std::vector<const TCollectionItem*> updates;
    NumberItem& AddNumber(int value)
    {
        auto& item = static_cast<NumberItem&>(Add());
        item.value = value;
        return item;
    }
    std::vector<int> Values() const
    {
        std::vector<int> values;
        for (int i = 0; i < Count(); ++i)
            values.push_back(static_cast<NumberItem*>(Items(i))->value);
        return values;
    }
    void Update(TCollectionItem* item) override { updates.push_back(item); }

protected:
    std::unique_ptr<TCollectionItem> CreateItem() override { return std::make_unique<NumberItem>(*this); }
};

} // namespace

TEST(Collection, EveryChangeReachesUpdateAndItemsKnowTheirPlace)
{
    Numbers numbers;
    NumberItem& first = numbers.AddNumber(1);
    numbers.AddNumber(2);
    numbers.AddNumber(3);
    EXPECT_EQ(numbers.updates, (std::vector<const TCollectionItem*>{nullptr, nullptr, nullptr}));
    first.SetIndex(2);
    EXPECT_EQ(numbers.Values(), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(first.Index(), 2);
    first.Touch();
    EXPECT_EQ(numbers.updates.back(), &first);
    numbers.Delete(0);
    EXPECT_EQ(numbers.Values(), (std::vector<int>{3, 1}));
    EXPECT_EQ(numbers.updates.size(), 6u);
    EXPECT_EQ(numbers.Items(2), nullptr);
    EXPECT_EQ(numbers.Items(-1), nullptr);
}

TEST(Collection, AnUpdateInProgressGathersTheChangesIntoOne)
{
    Numbers numbers;
    numbers.BeginUpdate();
    numbers.AddNumber(1).Touch();
    numbers.AddNumber(2);
    numbers.Clear();
    EXPECT_TRUE(numbers.updates.empty());
    numbers.EndUpdate();
    numbers.EndUpdate();
    EXPECT_EQ(numbers.updates, (std::vector<const TCollectionItem*>{nullptr}));
}

TEST(Collection, AssignCopiesEachItemOnceNotified)
{
    Numbers source;
    source.AddNumber(4);
    source.AddNumber(5);
    Numbers copy;
    copy.AddNumber(9);
    copy.updates.clear();
    copy.Assign(source);
    copy.Assign(copy);
    EXPECT_EQ(copy.Values(), (std::vector<int>{4, 5}));
    EXPECT_EQ(copy.updates.size(), 1u);
}

TEST(Collection, IndexesOutsideRaiseAndChangeNothing)
{
    Numbers numbers;
    NumberItem& item = numbers.AddNumber(1);
    numbers.AddNumber(2);
    EXPECT_THROW(numbers.Delete(2), ERangeError);
    EXPECT_THROW(numbers.Delete(-1), ERangeError);
    EXPECT_THROW(item.SetIndex(2), ERangeError);
    EXPECT_THROW(item.SetIndex(-1), ERangeError);
    EXPECT_EQ(numbers.Values(), (std::vector<int>{1, 2}));
}

TEST(Collection, PlainItemsCannotBeAssigned)
{
    Numbers numbers;
    TCollectionItem plain(numbers);
    EXPECT_EQ(plain.GetDisplayName(), AnsiString("TCollectionItem"));
    EXPECT_THROW(plain.Assign(plain), EConvertError);
}
