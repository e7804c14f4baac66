#include "classlib/graphics/imagelist.h"

#include "classlib/graphics/canvas.h"
#include "classlib/base/exception.h"
#include "classlib/graphics/imageallocation.h"

#include <QPixmap>

#include <algorithm>
#include <string>

namespace {

// A width × height 32-bit slice of a 32-bit source from column left; alpha bytes are kept only when
// the source carries alpha, else they are 0. Rows below the source stay 0.
TBitmap ColorSlice(const QImage& source, bool keepAlpha, int left, int width, int height)
{
    QImage slice = AllocateImage(width, height, QImage::Format_ARGB32);
    slice.fill(0);
    for (int y = 0; y < std::min(height, source.height()); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(y)) + left;
        auto* to = reinterpret_cast<QRgb*>(slice.scanLine(y));
        if (keepAlpha)
            std::copy(from, from + width, to);
        else
            std::transform(from, from + width, to, [](QRgb pixel) { return pixel & RGB_MASK; });
    }
    return TBitmap(std::move(slice));
}

// A 1-bit image, all black (index 0; index 1 is white).
QImage BlackMask(int width, int height)
{
    QImage mask = AllocateImage(width, height, QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(0);
    return mask;
}

void SetWhite(uchar* line, int x)
{
    line[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
}

// The colours of a mask bitmap as 32-bit pixels, to be read a row at a time; null without a mask.
QImage MaskPixels(const TBitmap* mask)
{
    return mask ? ConvertImage(mask->Image(), QImage::Format_RGB32) : QImage();
}

// The 1-bit mask of a slice: white (transparent) where the source mask (MaskPixels) is not black and
// below the image's last row, black elsewhere (everywhere when there is no mask).
TBitmap MaskSlice(const QImage& mask, int imageHeight, int left, int width, int height)
{
    QImage slice = BlackMask(width, height);
    for (int y = 0; y < height; ++y) {
        uchar* line = slice.scanLine(y);
        if (y >= imageHeight) {
            std::fill(line, line + slice.bytesPerLine(), uchar(0xFF));
            continue;
        }
        if (y >= mask.height())
            continue;
        const auto* from = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < width && left + x < mask.width(); ++x) {
            if ((from[left + x] & RGB_MASK) != 0)
                SetWhite(line, x);
        }
    }
    return TBitmap(std::move(slice));
}

TBitmap OpaqueMask(int width, int height)
{
    return TBitmap(BlackMask(width, height));
}

// White where the image has maskColor, black elsewhere.
TBitmap MaskOfColor(const TBitmap& image, TColor maskColor)
{
    const QRgb key = ToQRgb(ColorToRGB(maskColor)) & RGB_MASK;
    const QImage pixels = ConvertImage(image.Image(), QImage::Format_RGB32);
    QImage mask = BlackMask(image.Width(), image.Height());
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        uchar* line = mask.scanLine(y);
        for (int x = 0; x < pixels.width(); ++x) {
            if ((from[x] & RGB_MASK) == key)
                SetWhite(line, x);
        }
    }
    return TBitmap(std::move(mask));
}

TBitmap Stretched(const TBitmap& bitmap, int width, int height)
{
    TBitmap stretched(ScaleImage(bitmap.Image(), width, height));
    stretched.AlphaFormat = bitmap.AlphaFormat;
    return stretched;
}

// Grey (0.30 red + 0.59 green + 0.11 blue) at half the alpha.
QImage DisabledLook(const QImage& image)
{
    const QImage from = ConvertImage(image, QImage::Format_ARGB32);
    QImage look = AllocateImage(from.width(), from.height(), QImage::Format_ARGB32);
    for (int y = 0; y < from.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(from.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(look.scanLine(y));
        for (int x = 0; x < from.width(); ++x) {
            const int grey = (30 * qRed(in[x]) + 59 * qGreen(in[x]) + 11 * qBlue(in[x])) / 100;
            out[x] = qRgba(grey, grey, grey, qAlpha(in[x]) / 2);
        }
    }
    return look;
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
    MaskedChanged();
}

void TCustomImageList::SetAllocBy(int allocBy)
{
    allocBy_ = std::max(allocBy, 1);
}

int TCustomImageList::Count() const
{
    return stale_ ? PendingNativeCount() : static_cast<int>(images_.size());
}

std::size_t TCustomImageList::NativeImageBytes() const
{
    return std::size_t(width_) * std::size_t(height_) * kBytesPerPixel;
}

int TCustomImageList::Add(const TBitmap* image, const TBitmap* mask)
{
    if (!image || image->Width() < width_)
        return -1;
    CheckRoom(std::size_t(image->Width() / width_) * NativeImageBytes());
    const int first = Count();
    InsertSlices(first, Slices(*image, mask));
    Changed();
    return first;
}

int TCustomImageList::AddIcon(const TIcon* icon)
{
    if (!icon || icon->Empty())
        return -1;
    CheckRoom(NativeImageBytes());
    NativeAppend(*icon);
    Changed();
    return Count() - 1;
}

void TCustomImageList::AddImages(const TCustomImageList* source)
{
    if (!source)
        return;
    CheckRoom(std::size_t(source->Count()) * NativeImageBytes());
    const std::vector<TIcon> pictures = source->NativeImages(); // source may be this list
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
    CheckRoom(std::size_t(image->Width() / width_) * NativeImageBytes());
    InsertSlices(index, Slices(*image, mask));
    Changed();
}

void TCustomImageList::InsertIcon(int index, const TIcon* icon)
{
    if (!icon || icon->Empty())
        return;
    CheckIndex(index, Count() + 1);
    CheckRoom(NativeImageBytes());
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
    icon = NativeImages()[static_cast<std::size_t>(index)];
    return true;
}

QImage TCustomImageList::GetImage(int index) const
{
    return ValidIndex(index) ? NativeImages()[static_cast<std::size_t>(index)].ToQImage() : QImage();
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

void TCustomImageList::MaskedChanged()
{
    NativeClear();
    Changed();
}

void TCustomImageList::NativeAppend(const TIcon& icon)
{
    if (!stale_)
        images_.push_back(ListIcon(icon));
}

void TCustomImageList::NativeInsert(int index, const TIcon& icon)
{
    if (!stale_)
        images_.insert(images_.begin() + std::clamp(index, 0, Count()), ListIcon(icon));
}

void TCustomImageList::NativeReplace(int index, const TIcon& icon)
{
    if (!stale_ && ValidIndex(index))
        images_[static_cast<std::size_t>(index)] = ListIcon(icon);
}

void TCustomImageList::NativeDelete(int index)
{
    if (!stale_ && ValidIndex(index))
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

void TCustomImageList::NativeInvalidate()
{
    images_.clear();
    stale_ = true;
}

std::size_t TCustomImageList::UsedBytes() const
{
    return std::size_t(Count()) * NativeImageBytes();
}

void TCustomImageList::CheckRoom(std::size_t added, std::size_t freed) const
{
    const std::size_t used = UsedBytes() - std::min(freed, UsedBytes());
    if (added <= kMaxBytes && used <= kMaxBytes - added)
        return;
    const std::string name = objectName().toStdString();
    throw EInvalidOperation("Image list " + (name.empty() ? std::string() : name + " ") +
                            "would hold more than " + std::to_string(kMaxBytes >> 20) +
                            " MiB of pictures and native images");
}

void TCustomImageList::CheckIndex(int index, int end)
{
    if (index < 0 || index >= end)
        throw EInvalidOperation("Image list index out of range: " + std::to_string(index));
}

// Makes the native pictures that wait to be made, within the budget.
const std::vector<TIcon>& TCustomImageList::NativeImages() const
{
    if (!stale_)
        return images_;
    CheckRoom(0);
    std::vector<TIcon> made;
    for (const TIcon& icon : MakeNativeImages())
        made.push_back(ListIcon(icon));
    images_ = std::move(made);
    stale_ = false;
    return images_;
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
        return TIcon(ColorSlice(QImage(), false, 0, width_, height_), MaskSlice(QImage(), 0, 0, width_, height_));
    const TBitmap color = Stretched(icon.ColorBitmap(), width_, height_);
    const TBitmap mask = masked_ ? Stretched(icon.MaskBitmap(), width_, height_) : OpaqueMask(width_, height_);
    return TIcon(ColorSlice(ConvertImage(color.Image(), QImage::Format_ARGB32), icon.HasAlpha(), 0, width_, height_),
                 MaskSlice(MaskPixels(&mask), height_, 0, width_, height_));
}

std::vector<TIcon> TCustomImageList::Slices(const TBitmap& image, const TBitmap* mask) const
{
    const QImage source = ConvertImage(image.Image(), QImage::Format_ARGB32);
    const QImage maskPixels = MaskPixels(masked_ ? mask : nullptr);
    const int coveredHeight = masked_ ? image.Height() : height_;
    std::vector<TIcon> slices;
    for (int left = 0; left + width_ <= image.Width(); left += width_)
        slices.emplace_back(ColorSlice(source, image.HasAlpha(), left, width_, height_),
                            MaskSlice(maskPixels, coveredHeight, left, width_, height_));
    return slices;
}

void TCustomImageList::InsertSlices(int index, std::vector<TIcon> slices)
{
    images_.insert(images_.begin() + index, std::make_move_iterator(slices.begin()),
                   std::make_move_iterator(slices.end()));
}
