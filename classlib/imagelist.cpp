#include "classlib/imagelist.h"

#include "classlib/canvas.h"
#include "classlib/exception.h"

#include <QPixmap>

#include <algorithm>
#include <string>

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

TBitmap OpaqueMask(int width, int height)
{
    TBitmap mask(width, height, pf1bit);
    mask.Fill(clBlack);
    return mask;
}

// White where the image has maskColor, black elsewhere.
TBitmap MaskOfColor(const TBitmap& image, TColor maskColor)
{
    const TColor key = ColorToRGB(maskColor);
    TBitmap mask = OpaqueMask(image.Width(), image.Height());
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            if (image.Pixel(x, y) == key)
                mask.SetPixel(x, y, clWhite);
        }
    }
    return mask;
}

TBitmap Stretched(const TBitmap& bitmap, int width, int height)
{
    TBitmap stretched(bitmap.Image().scaled(width, height));
    stretched.AlphaFormat = bitmap.AlphaFormat;
    return stretched;
}

// Grey (0.30 red + 0.59 green + 0.11 blue) at half the alpha.
QImage DisabledLook(QImage image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = (30 * qRed(line[x]) + 59 * qGreen(line[x]) + 11 * qBlue(line[x])) / 100;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) / 2);
        }
    }
    return image;
}

void CheckSide(int side)
{
    if (side < 1 || side > TCustomImageList::kMaxSide)
        throw EInvalidOperation("Invalid image list size: " + std::to_string(side));
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

void TCustomImageList::SetMasked(bool masked)
{
    if (masked == masked_)
        return;
    masked_ = masked;
    NativeClear();
    Changed();
}

void TCustomImageList::SetAllocBy(int allocBy)
{
    allocBy_ = std::max(allocBy, 1);
}

int TCustomImageList::Add(const TBitmap* image, const TBitmap* mask)
{
    if (!image || image->Width() < width_)
        return -1;
    const int first = Count();
    InsertSlices(first, Slices(*image, mask));
    Changed();
    return first;
}

int TCustomImageList::AddIcon(const TIcon* icon)
{
    if (!icon || icon->Empty())
        return -1;
    NativeAppend(*icon);
    Changed();
    return Count() - 1;
}

void TCustomImageList::AddImages(const TCustomImageList* source)
{
    if (!source)
        return;
    const std::vector<TIcon> pictures = source->images_; // source may be this list
    for (const TIcon& picture : pictures)
        NativeAppend(picture);
    Changed();
}

int TCustomImageList::AddMasked(const TBitmap* image, TColor maskColor)
{
    if (!image)
        return -1;
    const TBitmap mask = MaskOfColor(*image, maskColor);
    return Add(image, &mask);
}

void TCustomImageList::Clear()
{
    NativeClear();
    Changed();
}

void TCustomImageList::Delete(int index)
{
    CheckIndex(index, Count());
    NativeDelete(index);
    Changed();
}

void TCustomImageList::Insert(int index, const TBitmap* image, const TBitmap* mask)
{
    if (!image || image->Width() < width_)
        return;
    CheckIndex(index, Count() + 1);
    InsertSlices(index, Slices(*image, mask));
    Changed();
}

void TCustomImageList::InsertIcon(int index, const TIcon* icon)
{
    if (!icon || icon->Empty())
        return;
    CheckIndex(index, Count() + 1);
    NativeInsert(index, *icon);
    Changed();
}

void TCustomImageList::InsertMasked(int index, const TBitmap* image, TColor maskColor)
{
    if (!image)
        return;
    const TBitmap mask = MaskOfColor(*image, maskColor);
    Insert(index, image, &mask);
}

void TCustomImageList::Move(int currentIndex, int newIndex)
{
    CheckIndex(currentIndex, Count());
    CheckIndex(newIndex, Count());
    TIcon picture = std::move(images_[static_cast<std::size_t>(currentIndex)]);
    images_.erase(images_.begin() + currentIndex);
    images_.insert(images_.begin() + newIndex, std::move(picture));
    Changed();
}

void TCustomImageList::Replace(int index, const TBitmap* image, const TBitmap* mask)
{
    if (!image || image->Width() < width_)
        return;
    CheckIndex(index, Count());
    images_[static_cast<std::size_t>(index)] = Slices(*image, mask).front();
    Changed();
}

void TCustomImageList::ReplaceIcon(int index, const TIcon* icon)
{
    if (!icon || icon->Empty())
        return;
    CheckIndex(index, Count());
    NativeReplace(index, *icon);
    Changed();
}

void TCustomImageList::ReplaceMasked(int index, const TBitmap* newImage, TColor maskColor)
{
    if (!newImage)
        return;
    const TBitmap mask = MaskOfColor(*newImage, maskColor);
    Replace(index, newImage, &mask);
}

void TCustomImageList::Assign(const TCustomImageList& source)
{
    if (&source != this)
        source.AssignTo(*this);
}

void TCustomImageList::AssignTo(TCustomImageList& destination) const
{
    destination.SetWidth(width_);
    destination.SetHeight(height_);
    destination.SetMasked(masked_);
    destination.SetAllocBy(allocBy_);
    destination.Clear();
    destination.AddImages(this);
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const
{
    DoDraw(index, canvas, x, y, enabled);
}

bool TCustomImageList::GetIcon(int index, TIcon& icon) const
{
    if (!ValidIndex(index))
        return false;
    icon = images_[static_cast<std::size_t>(index)];
    return true;
}

QImage TCustomImageList::GetImage(int index) const
{
    return ValidIndex(index) ? images_[static_cast<std::size_t>(index)].ToQImage() : QImage();
}

QIcon TCustomImageList::GetQIcon(int index) const
{
    return ValidIndex(index) ? QIcon(QPixmap::fromImage(GetImage(index))) : QIcon();
}

void TCustomImageList::DoDraw(int index, TCanvas& canvas, int x, int y, bool enabled) const
{
    if (!ValidIndex(index))
        return;
    const QImage image = GetImage(index);
    canvas.DrawImage(QRect(x, y, width_, height_), enabled ? image : DisabledLook(image));
}

void TCustomImageList::NativeAppend(const TIcon& icon)
{
    images_.push_back(ListIcon(icon));
}

void TCustomImageList::NativeInsert(int index, const TIcon& icon)
{
    images_.insert(images_.begin() + std::clamp(index, 0, Count()), ListIcon(icon));
}

void TCustomImageList::NativeReplace(int index, const TIcon& icon)
{
    if (ValidIndex(index))
        images_[static_cast<std::size_t>(index)] = ListIcon(icon);
}

void TCustomImageList::NativeDelete(int index)
{
    if (ValidIndex(index))
        images_.erase(images_.begin() + index);
}

void TCustomImageList::NativeClear()
{
    images_.clear();
}

void TCustomImageList::Changed()
{
    emit Change();
}

void TCustomImageList::CheckIndex(int index, int end)
{
    if (index < 0 || index >= end)
        throw EInvalidOperation("Image list index out of range: " + std::to_string(index));
}

void TCustomImageList::Resize(int width, int height)
{
    CheckSide(width);
    CheckSide(height);
    if (width == width_ && height == height_)
        return;
    width_ = width;
    height_ = height;
    NativeClear();
    Changed();
}

// The icon as the list keeps it: Width × Height, its mask all black when the list is not masked; an empty
// icon becomes a transparent picture.
TIcon TCustomImageList::ListIcon(const TIcon& icon) const
{
    if (icon.Empty())
        return TIcon(ColorSlice(QImage(), false, 0, width_, height_), MaskSlice(nullptr, 0, 0, width_, height_));
    const TBitmap color = Stretched(icon.ColorBitmap(), width_, height_);
    const TBitmap mask = masked_ ? Stretched(icon.MaskBitmap(), width_, height_) : OpaqueMask(width_, height_);
    return TIcon(ColorSlice(color.Image().convertToFormat(QImage::Format_ARGB32), icon.HasAlpha(), 0, width_,
                            height_),
                 MaskSlice(&mask, height_, 0, width_, height_));
}

std::vector<TIcon> TCustomImageList::Slices(const TBitmap& image, const TBitmap* mask) const
{
    const QImage source = image.Image().convertToFormat(QImage::Format_ARGB32);
    const TBitmap* usedMask = masked_ ? mask : nullptr;
    const int coveredHeight = masked_ ? image.Height() : height_;
    std::vector<TIcon> slices;
    for (int left = 0; left + width_ <= image.Width(); left += width_)
        slices.emplace_back(ColorSlice(source, image.HasAlpha(), left, width_, height_),
                            MaskSlice(usedMask, coveredHeight, left, width_, height_));
    return slices;
}

void TCustomImageList::InsertSlices(int index, std::vector<TIcon> slices)
{
    images_.insert(images_.begin() + index, std::make_move_iterator(slices.begin()),
                   std::make_move_iterator(slices.end()));
}
