#include "png/pngimagecollection.h"

TPngImageCollection::TPngImageCollection(QObject* owner)
    : QObject(owner), items_(std::make_unique<TPngImageCollectionItems>(this))
{
}

TPngImageCollection::~TPngImageCollection() = default;

void TPngImageCollection::SetItems(const TPngImageCollectionItems& value)
{
    if (&value != items_.get())
        items_->Assign(value);
}

void TPngImageCollection::DefineProperties(TFiler& filer)
{
    filer.DefineProperty(
        "Items", [this](const TFormValue& value) { items_->ReadFormValue(value); },
        [this] { return items_->ToFormValue(); }, true);
}
