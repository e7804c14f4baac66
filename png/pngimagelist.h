// An image list whose pictures are PNG pictures with full alpha, each with a name and a background
// colour (PngImages). The native list of the base is kept filled with icon renderings of them, as they
// are (EnabledImages) or in their disabled look made with PngOptions (blend and grey only), for the
// widgets that take pictures from it; Draw paints from the PNG pictures themselves.
//
// The image list operations give PNG meaning through the base's virtual operations: each makes or
// changes items of PngImages, updates the native list and signals Change once. While an update is in
// progress (BeginUpdate … EndUpdate) the native list is not rebuilt.
//
// A rebuild only drops the native pictures: they are made from PngImages when first asked for (GetImage,
// GetIcon), never while a description is read. Pictures and native images share the list's budget
// (kMaxBytes): an operation that would pass it raises EInvalidOperation, a description that would pass it
// is refused, and native pictures that would pass it are not made (EInvalidOperation).
#pragma once

#include "classlib/widgets/filer.h"
#include "classlib/graphics/imagelist.h"
#include "png/pngfunctions.h"
#include "png/pngimagecollectionitems.h"
#include "png/pngoptionflags.h"

#include <memory>

class TPngImageList : public TCustomImageList, public TDefinesProperties {
    Q_OBJECT
    Q_PROPERTY(bool EnabledImages READ EnabledImages WRITE SetEnabledImages)
    Q_PROPERTY(PngOptionFlags::TPngOptionSet PngOptions READ PngOptionSet WRITE SetPngOptions)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)

public:
    Q_INVOKABLE explicit TPngImageList(QObject* owner = nullptr);
    ~TPngImageList() override;

    TPngImageCollectionItems& PngImages() { return *pngImages_; }
    const TPngImageCollectionItems& PngImages() const { return *pngImages_; }
    // Copies value into PngImages and signals a change.
    void SetPngImages(const TPngImageCollectionItems& value);
    bool EnabledImages() const { return enabledImages_; }
    void SetEnabledImages(bool enabledImages);
    TPngOptions PngOptions() const { return pngOptions_; }
    void SetPngOptions(TPngOptions pngOptions);
    PngOptionFlags::TPngOptionSet PngOptionSet() const { return PngOptionFlags::ToFlags(pngOptions_); }
    void SetPngOptions(PngOptionFlags::TPngOptionSet pngOptions);
    // A changed size discards every picture.
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    void BeginUpdate();
    // Ends one BeginUpdate; the last one rebuilds the native list when update is set.
    void EndUpdate(bool update = true);
    int UpdateCount() const { return updateCount_; }
    // Rebuilds the native list from PngImages (items without a picture are left out) and signals a
    // change; nothing while an update is in progress. The native pictures are made when first asked for.
    virtual void CopyPngs();
    // The native icon of a picture: its colours with their alpha.
    static TIcon PngToIcon(const TPNGObject& png);
    // Puts the icon of png, in the list's current look, into the native list at index.
    void InsertPng(int index, const TPNGObject& png);

    // Absent or empty pictures give -1 (Add kind) or do nothing (Insert and Replace kinds).
    int Add(const TBitmap* image, const TBitmap* mask) override;
    int AddIcon(const TIcon* icon) override;
    void AddImages(const TCustomImageList* source) override;
    int AddMasked(const TBitmap* image, TColor maskColor) override;
    void Clear() override;
    // An index outside the native list does nothing.
    void Delete(int index) override;
    // Raise EInvalidOperation for an index outside 0 to the item count.
    void Insert(int index, const TBitmap* image, const TBitmap* mask) override;
    void InsertIcon(int index, const TIcon* icon) override;
    void InsertMasked(int index, const TBitmap* image, TColor maskColor) override;
    // The item keeps its picture; raises EInvalidOperation when either index is outside the list.
    void Move(int currentIndex, int newIndex) override;
    // Raise EInvalidOperation for an index outside the list.
    void Replace(int index, const TBitmap* image, const TBitmap* mask) override;
    void ReplaceIcon(int index, const TIcon* icon) override;
    void ReplaceMasked(int index, const TBitmap* newImage, TColor maskColor) override;

    // A PNG destination also takes PngImages and EnabledImages (not PngOptions).
    void AssignTo(TCustomImageList& destination) const override;

    // Design position, kept for the window description.
    int DesignLeft() const { return designLeft_; }
    int DesignTop() const { return designTop_; }
    void SetDesignPosition(int left, int top);

    // "PngImages" (the collection), "Left" and "Top".
    void DefineProperties(TFiler& filer) override;

protected:
    // Draws the item's picture stretched to Width × Height, with PngOptions when not enabled.
    void DoDraw(int index, TCanvas& canvas, int x, int y, bool enabled) const override;
    // The native pictures are made again with the new mask.
    void MaskedChanged() override;
    int PendingNativeCount() const override;
    std::vector<TIcon> MakeNativeImages() const override;
    std::size_t UsedBytes() const override;

private:
    class Operation;

    TIcon LookIcon(const TPNGObject& png) const;
    TPngImageCollectionItem& AppendItem(std::unique_ptr<TPNGObject> png);
    void InsertItem(int index, std::unique_ptr<TPNGObject> png);
    void ReplaceItem(int index, std::unique_ptr<TPNGObject> png);
    // Raises EInvalidOperation when png, as a new item's picture, would pass the budget.
    void CheckRoomFor(const TPNGObject& png) const;
    int NativeIndexOf(int itemIndex) const;

    std::unique_ptr<TPngImageCollectionItems> pngImages_;
    bool enabledImages_ = true;
    TPngOptions pngOptions_{pngBlendOnDisabled};
    int updateCount_ = 0;
    int designLeft_ = 0;
    int designTop_ = 0;
};
