// One named PNG picture of a PNG image collection, with the colour it is composed onto where a picture
// cannot carry its alpha. A changed picture or background reaches the collection's Update, and through
// it the image list that owns the collection.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/base/collectionitem.h"
#include "classlib/base/tcolor.h"
#include "png/pngobject.h"

#include <memory>

class TPngImageCollectionItem : public TCollectionItem {
public:
    // Named "PngImage<n>" after the index the item takes as it is appended; with noPicture the item
    // starts without a picture.
    explicit TPngImageCollectionItem(TCollection& collection, bool noPicture = false);
    ~TPngImageCollectionItem() override;

    // The picture; nullptr while the item has none.
    TPNGObject* PngImage() const { return pngImage_.get(); }
    // Copies png into the item's picture and reports the change.
    void SetPngImage(const TPNGObject& png);
    // Takes a picture made for the item in place of the old one, without reporting a change.
    void TakePngImage(std::unique_ptr<TPNGObject> png);
    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& name) { name_ = name; }
    TColor Background() const { return background_; }
    // Stores and reports a changed colour.
    void SetBackground(TColor background);

    // From another PNG item: its picture (or its lack of one), background and name.
    void Assign(const TCollectionItem& source) override;
    // A new copy of the picture (empty when the item has none); the caller owns it.
    std::unique_ptr<TPNGObject> Duplicate() const;
    AnsiString ClassName() const override { return "TPngImageCollectionItem"; }
    AnsiString GetDisplayName() const override;

private:
    std::unique_ptr<TPNGObject> pngImage_;
    AnsiString name_;
    TColor background_ = clBtnFace;
};
