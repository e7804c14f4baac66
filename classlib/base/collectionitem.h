// One item of a TCollection, which owns it. An item knows its collection and its place in it.
#pragma once

#include "classlib/base/ansistring.h"

class TCollection;

class TCollectionItem {
public:
    // The item is made for collection, which takes it in right after.
    explicit TCollectionItem(TCollection& collection) : collection_(&collection) {}
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;
    virtual ~TCollectionItem() = default;

    TCollection& Collection() const { return *collection_; }
    int Index() const;
    // Moves the item to index; raises ERangeError for an index outside the collection.
    void SetIndex(int index);

    virtual AnsiString ClassName() const { return "TCollectionItem"; }
    // How the item is shown to a person; the class name unless an item kind knows better.
    virtual AnsiString GetDisplayName() const { return ClassName(); }
    // Raises EConvertError: a plain item has nothing to copy.
    virtual void Assign(const TCollectionItem& source);

protected:
    // Reports a change of this item, or of all items.
    void Changed(bool allItems);

private:
    TCollection* collection_;
};
