// The PNG pictures of an image list or of a picture collection. When its owner is a TPngImageList,
// every change of the collection rebuilds that list's native pictures. An owner destroyed first is
// forgotten. A description's pictures are held to the image list budget (TCustomImageList::kMaxBytes),
// counted with the owner list's native images, also when the owner is not a list.
#pragma once

#include "classlib/base/collection.h"
#include "classlib/widgets/formvalue.h"
#include "png/pngimagecollectionitem.h"

#include <QObject>
#include <QPointer>

class TPngImageCollectionItems : public TCollection {
public:
    explicit TPngImageCollectionItems(QObject* owner);

    // Appends an item with an empty picture, or with none when noPicture is set.
    TPngImageCollectionItem& Add(bool noPicture = false);
    // As Add, then the item moves to index; raises ERangeError for an index outside 0 to Count.
    TPngImageCollectionItem& Insert(int index, bool noPicture = false);
    // The item at index, or nullptr outside the collection.
    TPngImageCollectionItem* GetItem(int index) const;
    // Copies item into the item at index; an index outside the collection is ignored.
    void SetItem(int index, const TPngImageCollectionItem& item);
    void Update(TCollectionItem* item) override;
    QObject* GetOwner() const { return owner_; }

    // What a picture counts in the budget, and what all pictures of the collection count.
    static std::size_t PictureBytes(const TPNGObject& png);
    std::size_t PictureBytes() const;
    // Items that have a picture, empty or not: each has a native image in an owning list.
    int PicturedCount() const;

    // The items as a window description stores them: per item "PngImage.Data" (the whole PNG file, no
    // bytes for an empty picture, left out when the item has no picture), "Name", and "Background" unless
    // it is clBtnFace.
    TFormValue ToFormValue() const;
    // Takes the items of a stored collection in place of the current ones. Raises Exception with a plain
    // message for a value of the wrong kind, an unknown item property, corrupt PNG data, a name that
    // Windows-1251 cannot hold, or pictures beyond the budget; the current items then stay as they were.
    void ReadFormValue(const TFormValue& value);

protected:
    std::unique_ptr<TCollectionItem> CreateItem() override;

private:
    // What the native image of one picture counts: the owner list's, none without an owning list.
    std::size_t NativeImageBytes() const;

    QPointer<QObject> owner_; // forgotten when the owner goes first
};
