// A plain image list, as the platform's native list keeps pictures: each of Width × Height pixels,
// a 32-bit colour image and a mask (black: the colour shows, white: transparent). Colour images that
// carry alpha keep it; an unmasked list keeps every mask black. Qt views and widgets take the pictures
// as ARGB images or icons (GetImage, GetQIcon).
//
// The thirteen picture operations are virtual, so that code holding only this base reaches the meaning
// a derived list gives them; derived lists change the pictures through the protected native operations,
// which do not signal, and signal once with Changed(). Client controls connect to Change() and hold the
// list through a QPointer, since they do not own it.
//
// A derived list may keep its native pictures as a rendering of pictures of its own: it drops them
// (NativeInvalidate) and they are made again from MakeNativeImages when first asked for.
//
// One list holds at most kMaxBytes of pictures and native images together, each counted at
// kBytesPerPixel; an operation that would pass it raises EInvalidOperation naming the list.
#pragma once

#include "classlib/graphics/bitmap.h"
#include "classlib/graphics/icon.h"

#include <QIcon>
#include <QImage>
#include <QObject>

#include <cstddef>
#include <vector>

class TCanvas;

class TCustomImageList : public QObject {
    Q_OBJECT

public:
    // Largest Width and Height accepted.
    static constexpr int kMaxSide = 4096;
    // The memory budget of one list, and what a pixel of a picture or native image counts in it
    // (32-bit colour and an alpha or mask byte).
    static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;
    static constexpr std::size_t kBytesPerPixel = 5;

    explicit TCustomImageList(QObject* owner = nullptr);
    ~TCustomImageList() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A changed size discards every picture. Raise EInvalidOperation outside 1..kMaxSide.
    virtual void SetWidth(int width);
    virtual void SetHeight(int height);
    bool Masked() const { return masked_; }
    // A changed masked flag discards every picture (MaskedChanged).
    void SetMasked(bool masked);
    // How many places the native list grows by when it is full; kept for copies, storage grows on its own.
    int AllocBy() const { return allocBy_; }
    void SetAllocBy(int allocBy);
    // The number of native pictures; does not make them.
    int Count() const;
    // What one native picture counts in the budget.
    std::size_t NativeImageBytes() const;

    // Appends one picture per Width-wide slice of image (a strip adds several); mask may be absent (all opaque).
    // The index of the first new picture, or -1 when image is absent or narrower than Width.
    virtual int Add(const TBitmap* image, const TBitmap* mask);
    // Appends the icon stretched to Width × Height; its index, or -1 when the icon is absent or empty.
    virtual int AddIcon(const TIcon* icon);
    // Appends a copy of every picture of source (nothing when source is absent).
    virtual void AddImages(const TCustomImageList* source);
    // As Add, with the pixels of maskColor transparent.
    virtual int AddMasked(const TBitmap* image, TColor maskColor);
    virtual void Clear();
    // Raises EInvalidOperation for an index outside the list.
    virtual void Delete(int index);
    // Insert the slices or the icon at index (0 to Count); an absent or too narrow picture does nothing.
    // Raise EInvalidOperation for an index outside 0 to Count.
    virtual void Insert(int index, const TBitmap* image, const TBitmap* mask);
    virtual void InsertIcon(int index, const TIcon* icon);
    virtual void InsertMasked(int index, const TBitmap* image, TColor maskColor);
    // The picture at currentIndex goes to newIndex, the others keep their order.
    // Raises EInvalidOperation when either index is outside the list.
    virtual void Move(int currentIndex, int newIndex);
    // Replace the picture at index by the first slice or the icon; an absent or too narrow picture does
    // nothing. Raise EInvalidOperation for an index outside the list.
    virtual void Replace(int index, const TBitmap* image, const TBitmap* mask);
    virtual void ReplaceIcon(int index, const TIcon* icon);
    virtual void ReplaceMasked(int index, const TBitmap* newImage, TColor maskColor);

    // Takes size, masked flag, growth step and pictures of source, through the operations above.
    void Assign(const TCustomImageList& source);
    virtual void AssignTo(TCustomImageList& destination) const;

    // Draws picture index at (x, y) in Width × Height; nothing for an index outside the list.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;

    // The picture at index as an icon of a 32-bit colour bitmap and a 1-bit mask; false (icon untouched)
    // outside the list.
    bool GetIcon(int index, TIcon& icon) const;
    // The picture at index as straight ARGB, or as an icon for Qt's widgets; null outside the list.
    QImage GetImage(int index) const;
    QIcon GetQIcon(int index) const;

signals:
    // The pictures changed; client controls repaint.
    void Change();

protected:
    // Draws the native picture; a disabled one in grey at half opacity.
    virtual void DoDraw(int index, TCanvas& canvas, int x, int y, bool enabled) const;
    // Discards the native pictures and signals.
    virtual void MaskedChanged();

    // The native list itself; none of these signals. Icons are stretched to Width × Height. While the
    // native pictures wait to be made again they do nothing: the pictures made later hold the change.
    void NativeAppend(const TIcon& icon);
    void NativeInsert(int index, const TIcon& icon);
    void NativeReplace(int index, const TIcon& icon);
    void NativeDelete(int index);
    void NativeClear();
    void Changed();

    // Drops the native pictures; MakeNativeImages makes them when they are first asked for, and until
    // then Count() is PendingNativeCount().
    void NativeInvalidate();
    bool NativeStale() const { return stale_; }
    virtual int PendingNativeCount() const { return 0; }
    virtual std::vector<TIcon> MakeNativeImages() const { return {}; }

    // The bytes the list holds in the budget's count. CheckRoom raises EInvalidOperation naming the list
    // when taking freed away and adding added would pass kMaxBytes.
    virtual std::size_t UsedBytes() const;
    void CheckRoom(std::size_t added, std::size_t freed = 0) const;

    bool ValidIndex(int index) const { return index >= 0 && index < Count(); }
    // Raises EInvalidOperation unless 0 <= index < end.
    static void CheckIndex(int index, int end);

private:
    const std::vector<TIcon>& NativeImages() const;
    void Resize(int width, int height);
    TIcon ListIcon(const TIcon& icon) const;
    std::vector<TIcon> Slices(const TBitmap& image, const TBitmap* mask) const;
    void InsertSlices(int index, std::vector<TIcon> slices);

    int width_ = 16;
    int height_ = 16;
    bool masked_ = true;
    int allocBy_ = 4;
    // Mutable because the native pictures are made when first asked for.
    mutable std::vector<TIcon> images_;
    mutable bool stale_ = false;
};
