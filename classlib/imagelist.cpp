#include "classlib/imagelist.h"

#include <algorithm>

namespace {

// A width × height 32-bit slice of a 32-bit source from column left; alpha bytes are kept only when
// the source carries alpha, else they are 0. Rows below the source stay 0.
TBitmap ColorSlice(const QImage& source, bool keepAlpha, int left, int width, int height)
{
    QImage slice(width, height, QImage::Format_ARGB32);
    slice.fill(0);
    for (int y = 0; y < std::min(height, source.height()); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(y)) + left;
        auto* to = reinterpret_cast<QRgb*>(slice.scanLine(y));
        for (int x = 0; x < width; ++x)
            to[x] = keepAlpha ? from[x] : (from[x] & RGB_MASK);
    }
    return TBitmap(std::move(slice));
}

bool MaskTransparent(const TBitmap* mask, int x, int y)
{
    return mask && x < mask->Width() && y < mask->Height() && mask->Pixel(x, y) != clBlack;
}

// The 1-bit mask of a slice: white (transparent) where the source mask is not black and below the image's
// last row, black elsewhere (everywhere when there is no mask).
TBitmap MaskSlice(const TBitmap* mask, int imageHeight, int left, int width, int height)
{
    TBitmap slice(width, height, pf1bit);
    slice.Fill(clBlack);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (y >= imageHeight || MaskTransparent(mask, left + x, y))
                slice.SetPixel(x, y, clWhite);
        }
    }
    return slice;
}

TBitmap Stretched(const TBitmap& bitmap, int width, int height)
{
    TBitmap stretched(bitmap.Image().scaled(width, height));
    stretched.AlphaFormat = bitmap.AlphaFormat;
    return stretched;
}

} // namespace

TCustomImageList::TCustomImageList(QObject* owner) : QObject(owner) {}

TCustomImageList::~TCustomImageList() = default;

void TCustomImageList::SetWidth(int width)
{
    Resize(width, height_);
}

void TCustomImageList::SetHeight(int height)
{
    Resize(width_, height);
}

int TCustomImageList::Add(const TBitmap* image, const TBitmap* mask)
{
    if (!image || width_ <= 0 || image->Width() < width_)
        return -1;
    const int first = Count();
    const QImage source = image->Image().convertToFormat(QImage::Format_ARGB32);
    for (int left = 0; left + width_ <= image->Width(); left += width_)
        images_.emplace_back(ColorSlice(source, image->HasAlpha(), left, width_, height_),
                             MaskSlice(mask, image->Height(), left, width_, height_));
    emit Change();
    return first;
}

int TCustomImageList::AddIcon(const TIcon* icon)
{
    if (!icon || icon->Empty() || width_ <= 0 || height_ <= 0)
        return -1;
    const TBitmap color = Stretched(icon->ColorBitmap(), width_, height_);
    const TBitmap mask = Stretched(icon->MaskBitmap(), width_, height_);
    images_.emplace_back(ColorSlice(color.Image().convertToFormat(QImage::Format_ARGB32), icon->HasAlpha(), 0,
                                    width_, height_),
                         MaskSlice(&mask, height_, 0, width_, height_));
    emit Change();
    return Count() - 1;
}

void TCustomImageList::Clear()
{
    images_.clear();
    emit Change();
}

bool TCustomImageList::GetIcon(int index, TIcon& icon) const
{
    if (index < 0 || index >= Count())
        return false;
    icon = images_[static_cast<std::size_t>(index)];
    return true;
}

void TCustomImageList::Resize(int width, int height)
{
    if (width == width_ && height == height_)
        return;
    width_ = width;
    height_ = height;
    Clear();
}
