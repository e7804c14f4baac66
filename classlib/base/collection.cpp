#include "classlib/base/collection.h"

#include "classlib/base/collectionitem.h"
#include "classlib/base/exception.h"

#include <algorithm>
#include <string>

namespace {

void CheckIndex(int index, int count)
{
    if (index < 0 || index >= count)
        throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace

TCollection::~TCollection() = default;

TCollectionItem* TCollection::Items(int index) const
{
    return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)].get() : nullptr;
}

TCollectionItem& TCollection::Add()
{
    return AddItem(CreateItem());
}

void TCollection::Delete(int index)
{
    CheckIndex(index, Count());
    items_.erase(items_.begin() + index);
    Changed();
}

void TCollection::Clear()
{
    if (items_.empty())
        return;
    items_.clear();
    Changed();
}

void TCollection::Assign(const TCollection& source)
{
    if (&source == this)
        return;
    BeginUpdate();
    try {
        Clear();
        for (const auto& item : source.items_)
            Add().Assign(*item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::BeginUpdate()
{
    ++updateCount_;
}

void TCollection::EndUpdate()
{
    if (updateCount_ == 0)
        return;
    --updateCount_;
    Changed();
}

void TCollection::Update(TCollectionItem* /*item*/) {}

TCollectionItem& TCollection::AddItem(std::unique_ptr<TCollectionItem> item)
{
    items_.push_back(std::move(item));
    Changed();
    return *items_.back();
}

void TCollection::Changed()
{
    ItemChanged(nullptr);
}

int TCollection::IndexOf(const TCollectionItem& item) const
{
    const auto found =
        std::find_if(items_.begin(), items_.end(), [&item](const auto& own) { return own.get() == &item; });
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TCollection::MoveItem(int from, int to)
{
    CheckIndex(from, Count());
    CheckIndex(to, Count());
    if (from == to)
        return;
    auto item = std::move(items_[static_cast<std::size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(item));
    Changed();
}

void TCollection::ItemChanged(TCollectionItem* item)
{
    if (updateCount_ == 0)
        Update(item);
}
