#include "classlib/base/collectionitem.h"

#include "classlib/base/collection.h"
#include "classlib/base/exception.h"

int TCollectionItem::Index() const
{
    return collection_->IndexOf(*this);
}

void TCollectionItem::SetIndex(int index)
{
    collection_->MoveItem(Index(), index);
}

void TCollectionItem::Assign(const TCollectionItem& source)
{
    throw EConvertError("Cannot assign a " + source.ClassName() + " to a " + ClassName());
}

void TCollectionItem::Changed(bool allItems)
{
    collection_->ItemChanged(allItems ? nullptr : this);
}
