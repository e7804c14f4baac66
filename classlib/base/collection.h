// An owning, ordered list of items of one kind, with change notification: every added, deleted, moved
// or changed item reaches Update, except while an update is in progress (BeginUpdate … EndUpdate), at
// whose end Update runs once for the whole collection.
#pragma once

#include <memory>
#include <vector>

class TCollectionItem;

class TCollection {
public:
    TCollection() = default;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;
    // Frees the items without notifying.
    virtual ~TCollection();

    int Count() const { return static_cast<int>(items_.size()); }
    // The item at index, or nullptr outside 0 to Count - 1.
    TCollectionItem* Items(int index) const;
    // Appends a new item of the collection's kind.
    TCollectionItem& Add();
    // Raises ERangeError for an index outside the collection.
    void Delete(int index);
    void Clear();
    // Clear, then a copy of each item of source.
    virtual void Assign(const TCollection& source);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // Reacts to a change of item, or of the whole collection when item is nullptr.
    virtual void Update(TCollectionItem* item);

protected:
    virtual std::unique_ptr<TCollectionItem> CreateItem() = 0;
    TCollectionItem& AddItem(std::unique_ptr<TCollectionItem> item);
    void Changed();

private:
    friend class TCollectionItem;
    int IndexOf(const TCollectionItem& item) const;
    void MoveItem(int from, int to);
    void ItemChanged(TCollectionItem* item);

    std::vector<std::unique_ptr<TCollectionItem>> items_;
    int updateCount_ = 0;
};
