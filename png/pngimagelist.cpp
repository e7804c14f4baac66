#include "png/pngimagelist.h"

#include "classlib/base/exception.h"
#include "classlib/graphics/imageallocation.h"

#include <string>

namespace {

// 1-bit mask of a picture: white (transparent) where its alpha is 0, so that a picture with no visible
// pixel stays invisible even where the native list would take it as opaque.
TBitmap MaskOfAlpha(const QImage& image)
{
    QImage mask = AllocateImage(image.width(), image.height(), QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(0);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* bits = mask.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                bits[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
        }
    }
    return TBitmap(std::move(mask));
}

int DesignCoordinate(const std::string& name, const TFormValue& value)
{
    if (value.kind != TFormValue::Kind::Integer)
        throw Exception(name + ": an integer expected");
    if (value.integer < -32768 || value.integer > 32767)
        throw Exception(name + ": " + std::to_string(value.integer) + " is out of range");
    return static_cast<int>(value.integer);
}

} // namespace

// One image list operation: in update mode from construction to Finish (or, when an error passes,
// to destruction, without a rebuild).
class TPngImageList::Operation {
public:
    explicit Operation(TPngImageList& list) : list_(list) { list_.BeginUpdate(); }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;
    ~Operation()
    {
        if (!finished_)
            list_.EndUpdate(false);
    }

    // Ends the update; rebuilds the native list when asked and no outer update remains (the rebuild
    // signals the change), else signals the change itself.
    void Finish(bool rebuild)
    {
        finished_ = true;
        list_.EndUpdate(rebuild);
        if (!rebuild || list_.updateCount_ > 0)
            list_.Changed();
    }

private:
    TPngImageList& list_;
    bool finished_ = false;
};

TPngImageList::TPngImageList(QObject* owner)
    : TCustomImageList(owner), pngImages_(std::make_unique<TPngImageCollectionItems>(this))
{
}

TPngImageList::~TPngImageList() = default;

void TPngImageList::SetPngImages(const TPngImageCollectionItems& value)
{
    if (&value != pngImages_.get())
        pngImages_->Assign(value);
    Changed();
}

void TPngImageList::SetEnabledImages(bool enabledImages)
{
    if (enabledImages == enabledImages_)
        return;
    enabledImages_ = enabledImages;
    CopyPngs();
}

void TPngImageList::SetPngOptions(TPngOptions pngOptions)
{
    if (pngOptions == pngOptions_)
        return;
    pngOptions_ = pngOptions;
    CopyPngs();
}

void TPngImageList::SetPngOptions(PngOptionFlags::TPngOptionSet pngOptions)
{
    SetPngOptions(PngOptionFlags::FromFlags(pngOptions));
}

void TPngImageList::SetWidth(int width)
{
    if (width == Width())
        return;
    TCustomImageList::SetWidth(width);
    Clear();
}

void TPngImageList::SetHeight(int height)
{
    if (height == Height())
        return;
    TCustomImageList::SetHeight(height);
    Clear();
}

void TPngImageList::BeginUpdate()
{
    ++updateCount_;
}

void TPngImageList::EndUpdate(bool update)
{
    if (updateCount_ > 0)
        --updateCount_;
    if (update && updateCount_ == 0)
        CopyPngs();
}

void TPngImageList::CopyPngs()
{
    if (updateCount_ > 0)
        return;
    NativeInvalidate();
    Changed();
}

TIcon TPngImageList::PngToIcon(const TPNGObject& png)
{
    const QImage image = png.ToQImage();
    return TIcon(TBitmap(image), MaskOfAlpha(image));
}

void TPngImageList::InsertPng(int index, const TPNGObject& png)
{
    NativeInsert(index, LookIcon(png));
}

int TPngImageList::Add(const TBitmap* image, const TBitmap* mask)
{
    if (!image || image->Empty())
        return -1;
    auto png = CreatePNG(*image, mask ? *mask : TBitmap(), false);
    CheckRoomFor(*png);
    Operation operation(*this);
    const int index = AppendItem(std::move(png)).Index();
    operation.Finish(true);
    return index;
}

int TPngImageList::AddIcon(const TIcon* icon)
{
    if (!icon || icon->Empty())
        return -1;
    auto png = ConvertToPNG(*icon);
    CheckRoomFor(*png);
    Operation operation(*this);
    const int index = AppendItem(std::move(png)).Index();
    operation.Finish(true);
    return index;
}

void TPngImageList::AddImages(const TCustomImageList* source)
{
    if (!source)
        return;
    std::vector<std::unique_ptr<TPNGObject>> pngs;
    std::size_t added = 0;
    for (int i = 0; i < source->Count(); ++i) {
        pngs.push_back(std::make_unique<TPNGObject>());
        CopyImageFromImageList(*pngs.back(), *source, i);
        added += TPngImageCollectionItems::PictureBytes(*pngs.back()) + NativeImageBytes();
        CheckRoom(added);
    }
    Operation operation(*this);
    for (auto& png : pngs)
        AppendItem(std::move(png));
    operation.Finish(true);
}

int TPngImageList::AddMasked(const TBitmap* image, TColor maskColor)
{
    if (!image || image->Empty())
        return -1;
    auto png = CreatePNGMasked(*image, maskColor);
    CheckRoomFor(*png);
    Operation operation(*this);
    const int index = AppendItem(std::move(png)).Index();
    operation.Finish(true);
    return index;
}

void TPngImageList::Clear()
{
    Operation operation(*this);
    pngImages_->Clear();
    NativeClear();
    operation.Finish(false);
}

void TPngImageList::Delete(int index)
{
    if (index < 0 || index >= Count() || index >= pngImages_->Count())
        return;
    Operation operation(*this);
    const bool pictured = pngImages_->GetItem(index)->PngImage() != nullptr;
    const int nativeIndex = NativeIndexOf(index);
    pngImages_->Delete(index);
    if (pictured)
        NativeDelete(nativeIndex);
    operation.Finish(false);
}

void TPngImageList::Insert(int index, const TBitmap* image, const TBitmap* mask)
{
    if (!image || image->Empty())
        return;
    CheckIndex(index, pngImages_->Count() + 1);
    InsertItem(index, CreatePNG(*image, mask ? *mask : TBitmap(), false));
}

void TPngImageList::InsertIcon(int index, const TIcon* icon)
{
    if (!icon || icon->Empty())
        return;
    CheckIndex(index, pngImages_->Count() + 1);
    InsertItem(index, ConvertToPNG(*icon));
}

void TPngImageList::InsertMasked(int index, const TBitmap* image, TColor maskColor)
{
    if (!image || image->Empty())
        return;
    CheckIndex(index, pngImages_->Count() + 1);
    InsertItem(index, CreatePNGMasked(*image, maskColor));
}

void TPngImageList::Move(int currentIndex, int newIndex)
{
    CheckIndex(currentIndex, pngImages_->Count());
    CheckIndex(newIndex, pngImages_->Count());
    Operation operation(*this);
    TPngImageCollectionItem& item = *pngImages_->GetItem(currentIndex);
    if (item.PngImage())
        NativeDelete(NativeIndexOf(currentIndex));
    item.SetIndex(newIndex);
    if (item.PngImage())
        InsertPng(NativeIndexOf(newIndex), *item.PngImage());
    operation.Finish(false);
}

void TPngImageList::Replace(int index, const TBitmap* image, const TBitmap* mask)
{
    if (!image || image->Empty())
        return;
    CheckIndex(index, pngImages_->Count());
    ReplaceItem(index, CreatePNG(*image, mask ? *mask : TBitmap(), false));
}

void TPngImageList::ReplaceIcon(int index, const TIcon* icon)
{
    if (!icon || icon->Empty())
        return;
    CheckIndex(index, pngImages_->Count());
    ReplaceItem(index, ConvertToPNG(*icon));
}

void TPngImageList::ReplaceMasked(int index, const TBitmap* newImage, TColor maskColor)
{
    if (!newImage || newImage->Empty())
        return;
    CheckIndex(index, pngImages_->Count());
    ReplaceItem(index, CreatePNGMasked(*newImage, maskColor));
}

void TPngImageList::AssignTo(TCustomImageList& destination) const
{
    TCustomImageList::AssignTo(destination);
    if (auto* pngList = qobject_cast<TPngImageList*>(&destination)) {
        pngList->SetPngImages(*pngImages_);
        pngList->SetEnabledImages(enabledImages_);
    }
}

void TPngImageList::SetDesignPosition(int left, int top)
{
    designLeft_ = left;
    designTop_ = top;
}

void TPngImageList::DefineProperties(TFiler& filer)
{
    filer.DefineProperty(
        "PngImages", [this](const TFormValue& value) { pngImages_->ReadFormValue(value); },
        [this] { return pngImages_->ToFormValue(); }, true);
    filer.DefineProperty(
        "Left", [this](const TFormValue& value) { designLeft_ = DesignCoordinate("Left", value); },
        [this] { return TFormValue::OfInteger(designLeft_); }, designLeft_ != 0);
    filer.DefineProperty(
        "Top", [this](const TFormValue& value) { designTop_ = DesignCoordinate("Top", value); },
        [this] { return TFormValue::OfInteger(designTop_); }, designTop_ != 0);
}

void TPngImageList::DoDraw(int index, TCanvas& canvas, int x, int y, bool enabled) const
{
    const TPngImageCollectionItem* item = pngImages_->GetItem(index);
    if (!item || !item->PngImage() || item->PngImage()->Empty())
        return;
    DrawPNG(*item->PngImage(), canvas, QRect(x, y, Width(), Height()), enabled ? TPngOptions() : pngOptions_);
}

// The native icon of a picture as the list shows it: as it is, or in the disabled look.
TIcon TPngImageList::LookIcon(const TPNGObject& png) const
{
    if (enabledImages_ || pngOptions_.Empty())
        return PngToIcon(png);
    TPNGObject look(png);
    if (pngOptions_.Contains(pngBlendOnDisabled))
        MakeImageBlended(look, 127);
    if (pngOptions_.Contains(pngGrayscaleOnDisabled))
        MakeImageGrayscale(look, 255);
    return PngToIcon(look);
}

TPngImageCollectionItem& TPngImageList::AppendItem(std::unique_ptr<TPNGObject> png)
{
    TPngImageCollectionItem& item = pngImages_->Add(true);
    item.TakePngImage(std::move(png));
    NativeAppend(LookIcon(*item.PngImage()));
    return item;
}

void TPngImageList::InsertItem(int index, std::unique_ptr<TPNGObject> png)
{
    CheckRoomFor(*png);
    Operation operation(*this);
    TPngImageCollectionItem& item = pngImages_->Insert(index, true);
    item.TakePngImage(std::move(png));
    InsertPng(NativeIndexOf(index), *item.PngImage());
    operation.Finish(false);
}

void TPngImageList::ReplaceItem(int index, std::unique_ptr<TPNGObject> png)
{
    TPngImageCollectionItem& item = *pngImages_->GetItem(index);
    const bool pictured = item.PngImage() != nullptr;
    CheckRoom(TPngImageCollectionItems::PictureBytes(*png) + NativeImageBytes(),
              pictured ? TPngImageCollectionItems::PictureBytes(*item.PngImage()) + NativeImageBytes() : 0);
    Operation operation(*this);
    item.TakePngImage(std::move(png));
    if (pictured)
        NativeReplace(NativeIndexOf(index), LookIcon(*item.PngImage()));
    else
        InsertPng(NativeIndexOf(index), *item.PngImage());
    operation.Finish(false);
}

// Where the item's picture stands in the native list, which leaves out items without a picture.
int TPngImageList::NativeIndexOf(int itemIndex) const
{
    int nativeIndex = 0;
    for (int i = 0; i < itemIndex; ++i) {
        if (pngImages_->GetItem(i)->PngImage())
            ++nativeIndex;
    }
    return nativeIndex;
}

void TPngImageList::MaskedChanged()
{
    NativeInvalidate();
    Changed();
}

int TPngImageList::PendingNativeCount() const
{
    return pngImages_->PicturedCount();
}

std::vector<TIcon> TPngImageList::MakeNativeImages() const
{
    std::vector<TIcon> icons;
    for (int i = 0; i < pngImages_->Count(); ++i) {
        if (const TPNGObject* png = pngImages_->GetItem(i)->PngImage())
            icons.push_back(LookIcon(*png));
    }
    return icons;
}

std::size_t TPngImageList::UsedBytes() const
{
    return pngImages_->PictureBytes() + std::size_t(pngImages_->PicturedCount()) * NativeImageBytes();
}

void TPngImageList::CheckRoomFor(const TPNGObject& png) const
{
    CheckRoom(TPngImageCollectionItems::PictureBytes(png) + NativeImageBytes());
}
