#include "png/pngimagecollectionitem.h"

#include "classlib/base/collection.h"

#include <string>

TPngImageCollectionItem::TPngImageCollectionItem(TCollection& collection, bool noPicture)
    : TCollectionItem(collection), name_("PngImage" + std::to_string(collection.Count()))
{
    if (!noPicture)
        pngImage_ = std::make_unique<TPNGObject>();
}

TPngImageCollectionItem::~TPngImageCollectionItem() = default;

void TPngImageCollectionItem::SetPngImage(const TPNGObject& png)
{
    if (pngImage_)
        pngImage_->Assign(png);
    else
        pngImage_ = std::make_unique<TPNGObject>(png);
    Changed(false);
}

void TPngImageCollectionItem::TakePngImage(std::unique_ptr<TPNGObject> png)
{
    pngImage_ = std::move(png);
}

void TPngImageCollectionItem::SetBackground(TColor background)
{
    if (background == background_)
        return;
    background_ = background;
    Changed(false);
}

void TPngImageCollectionItem::Assign(const TCollectionItem& source)
{
    const auto* item = dynamic_cast<const TPngImageCollectionItem*>(&source);
    if (!item) {
        TCollectionItem::Assign(source);
        return;
    }
    if (item == this)
        return;
    if (item->pngImage_)
        SetPngImage(*item->pngImage_);
    else
        pngImage_.reset();
    SetBackground(item->background_);
    name_ = item->name_;
}

std::unique_ptr<TPNGObject> TPngImageCollectionItem::Duplicate() const
{
    return pngImage_ ? std::make_unique<TPNGObject>(*pngImage_) : std::make_unique<TPNGObject>();
}

AnsiString TPngImageCollectionItem::GetDisplayName() const
{
    return name_.IsEmpty() ? TCollectionItem::GetDisplayName() : name_;
}
