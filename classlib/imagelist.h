// A plain image list, as the platform's native list keeps pictures: each of Width × Height pixels,
// a 32-bit colour image and a mask (black: the colour shows, white: transparent). Colour images that
// carry alpha keep it. The operations are virtual so that derived lists can give them their own meaning;
// a derived list reaches the native behaviour through the qualified base call.
#pragma once

#include "classlib/bitmap.h"
#include "classlib/icon.h"

#include <QObject>

#include <vector>

class TCustomImageList : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)

public:
    explicit TCustomImageList(QObject* owner = nullptr);
    ~TCustomImageList() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A changed size discards every picture.
    virtual void SetWidth(int width);
    virtual void SetHeight(int height);
    int Count() const { return static_cast<int>(images_.size()); }

    // Appends one picture per Width-wide slice of image (a strip adds several); mask may be absent (all opaque).
    // The index of the first new picture, or -1 when image is absent or narrower than Width.
    virtual int Add(const TBitmap* image, const TBitmap* mask);
    // Appends the icon stretched to Width × Height; its index, or -1 when the icon is absent or empty.
    virtual int AddIcon(const TIcon* icon);
    virtual void Clear();

    // The picture at index as an icon of a 32-bit colour bitmap and a 1-bit mask; false (icon untouched)
    // outside the list.
    bool GetIcon(int index, TIcon& icon) const;

signals:
    // The pictures changed; client controls repaint.
    void Change();

private:
    void Resize(int width, int height);

    int width_ = 16;
    int height_ = 16;
    std::vector<TIcon> images_;
};
