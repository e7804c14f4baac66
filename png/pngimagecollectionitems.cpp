#include "png/pngimagecollectionitems.h"

#include "classlib/base/colorident.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/base/exception.h"
#include "classlib/graphics/picturebudget.h"
#include "png/pngcodec.h"
#include "png/pngimagelist.h"

#include <istream>
#include <limits>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>

namespace {

QString ToQString(const AnsiString& text)
{
    return QString::fromStdString(text.ToUtf8());
}

std::string PropertyError(const std::string& property, const std::string& what)
{
    return "PNG image property " + property + ": " + what;
}

TFormValue PngFileValue(const TPNGObject& png)
{
    std::ostringstream file;
    png.SaveToStream(file);
    const std::string bytes = file.str();
    return TFormValue::OfBinary(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

TFormValue ColorValue(TColor color)
{
    if (const auto name = ColorToIdent(color))
        return TFormValue::OfIdentifier(QString::fromStdString(*name));
    return TFormValue::OfInteger(color);
}

std::vector<TFormProperty> ItemProperties(const TPngImageCollectionItem& item)
{
    std::vector<TFormProperty> properties;
    if (const TPNGObject* png = item.PngImage())
        properties.push_back({"PngImage.Data", png->Empty() ? TFormValue::OfBinary({}) : PngFileValue(*png)});
    properties.push_back({"Name", TFormValue::OfString(ToQString(item.Name()))});
    if (item.Background() != clBtnFace)
        properties.push_back({"Background", ColorValue(item.Background())});
    return properties;
}

void ExpectKind(const TFormProperty& property, TFormValue::Kind kind, const std::string& expected)
{
    if (property.value.kind != kind)
        throw Exception(PropertyError(property.name, expected + " expected"));
}

// Reads the bytes of a binary value in place.
class TBinaryBuffer : public std::streambuf {
public:
    explicit TBinaryBuffer(const QByteArray& bytes)
    {
        char* begin = const_cast<char*>(bytes.constData());
        setg(begin, begin, begin + bytes.size());
    }
};

// The picture of a binary value: the PNG file it holds, or an empty picture for no bytes.
std::unique_ptr<TPNGObject> PngFromFile(const TFormProperty& property)
{
    ExpectKind(property, TFormValue::Kind::Binary, "binary data");
    auto png = std::make_unique<TPNGObject>();
    if (property.value.binary.isEmpty())
        return png;
    TBinaryBuffer buffer(property.value.binary);
    std::istream file(&buffer);
    try {
        png->LoadFromStream(file);
    } catch (const Exception& error) {
        throw Exception(PropertyError(property.name, "corrupt PNG data (" + error.Message().Bytes() + ")"));
    } catch (const std::bad_alloc&) {
        throw Exception(PropertyError(property.name, "PNG picture too large"));
    }
    return png;
}

// The same colour values as a control's Color, system colours ($8000000F) included.
TColor ColorFrom(const TFormProperty& property)
{
    try {
        return TControlProperties::ToColor(property.value);
    } catch (const Exception& error) {
        throw Exception(PropertyError(property.name, error.Message().Bytes()));
    }
}

// One item as a description gives it, before it joins the collection.
struct TStoredItem {
    std::unique_ptr<TPNGObject> png;
    std::optional<AnsiString> name;
    std::optional<TColor> background;
};

// The pictures of a description as they are read, against the budget of an image list.
class TReadBudget {
public:
    explicit TReadBudget(std::size_t nativeImageBytes) : native_(nativeImageBytes) {}

    // Before a picture is decoded: refuses one whose header declares more than the room left.
    void CheckDeclared(const QByteArray& file, int item) const
    {
        int width = 0;
        int height = 0;
        // A picture too large on its own is left to the codec, which names its size.
        if (PeekPngSize(file.constData(), std::size_t(file.size()), width, height) && FitsPngGuards(width, height))
            Check(std::size_t(width) * std::size_t(height) * TCustomImageList::kBytesPerPixel, item);
    }

    void Take(const TStoredItem& stored, int item)
    {
        if (!stored.png)
            return;
        const std::size_t bytes = TPngImageCollectionItems::PictureBytes(*stored.png);
        Check(bytes, item);
        used_ += bytes + native_;
        TPictureBudget::Take(bytes + native_);
    }

private:
    void Check(std::size_t pictureBytes, int item) const
    {
        const std::size_t bytes = pictureBytes + native_;
        if (bytes > TCustomImageList::kMaxBytes || used_ > TCustomImageList::kMaxBytes - bytes)
            throw Exception("item " + std::to_string(item) + ": the pictures and their native images would take "
                            "more than " + std::to_string(TCustomImageList::kMaxBytes >> 20) + " MiB");
        try {
            TPictureBudget::Check(bytes);
        } catch (const Exception& error) {
            throw Exception("item " + std::to_string(item) + ": " + error.Message().Bytes());
        }
    }

    std::size_t native_;
    std::size_t used_ = 0;
};

void ReadItemProperty(TStoredItem& item, const TFormProperty& property)
{
    if (property.name == "PngImage.Data") {
        item.png = PngFromFile(property);
    } else if (property.name == "Name") {
        ExpectKind(property, TFormValue::Kind::String, "a text");
        item.name = TControlProperties::ToAnsiString(property.value.text);
    } else if (property.name == "Background") {
        item.background = ColorFrom(property);
    } else {
        throw Exception("unknown PNG image property " + property.name);
    }
}

TStoredItem ReadItem(const TFormItem& entry, int index, TReadBudget& budget)
{
    TStoredItem stored;
    for (const TFormProperty& property : entry.properties) {
        if (property.name == "PngImage.Data" && property.value.kind == TFormValue::Kind::Binary)
            budget.CheckDeclared(property.value.binary, index);
        InCollectionItem(std::size_t(index), property, [&] { ReadItemProperty(stored, property); });
    }
    budget.Take(stored, index);
    return stored;
}

} // namespace

TPngImageCollectionItems::TPngImageCollectionItems(QObject* owner) : owner_(owner) {}

TPngImageCollectionItem& TPngImageCollectionItems::Add(bool noPicture)
{
    return static_cast<TPngImageCollectionItem&>(AddItem(std::make_unique<TPngImageCollectionItem>(*this, noPicture)));
}

TPngImageCollectionItem& TPngImageCollectionItems::Insert(int index, bool noPicture)
{
    if (index < 0 || index > Count())
        throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
    TPngImageCollectionItem& item = Add(noPicture);
    item.SetIndex(index);
    return item;
}

TPngImageCollectionItem* TPngImageCollectionItems::GetItem(int index) const
{
    return static_cast<TPngImageCollectionItem*>(Items(index));
}

void TPngImageCollectionItems::SetItem(int index, const TPngImageCollectionItem& item)
{
    if (TPngImageCollectionItem* own = GetItem(index))
        own->Assign(item);
}

void TPngImageCollectionItems::Update(TCollectionItem* item)
{
    TCollection::Update(item);
    if (auto* list = qobject_cast<TPngImageList*>(owner_))
        list->CopyPngs();
}

TFormValue TPngImageCollectionItems::ToFormValue() const
{
    std::vector<TFormItem> entries;
    for (int i = 0; i < Count(); ++i)
        entries.push_back({ItemProperties(*GetItem(i))});
    return TFormValue::OfCollection(std::move(entries));
}

void TPngImageCollectionItems::ReadFormValue(const TFormValue& value)
{
    if (value.kind != TFormValue::Kind::Collection)
        throw Exception("a collection of PNG images expected");
    TReadBudget budget(NativeImageBytes());
    std::vector<TStoredItem> stored;
    for (const TFormItem& entry : value.items)
        stored.push_back(ReadItem(entry, int(stored.size()), budget));
    BeginUpdate();
    Clear();
    for (TStoredItem& from : stored) {
        TPngImageCollectionItem& item = Add(true);
        item.TakePngImage(std::move(from.png));
        if (from.name)
            item.SetName(*from.name);
        if (from.background)
            item.SetBackground(*from.background);
    }
    EndUpdate();
}

std::size_t TPngImageCollectionItems::PictureBytes(const TPNGObject& png)
{
    return std::size_t(png.Width()) * std::size_t(png.Height()) * TCustomImageList::kBytesPerPixel;
}

std::size_t TPngImageCollectionItems::PictureBytes() const
{
    std::size_t bytes = 0;
    for (int i = 0; i < Count(); ++i) {
        if (const TPNGObject* png = GetItem(i)->PngImage())
            bytes += PictureBytes(*png);
    }
    return bytes;
}

int TPngImageCollectionItems::PicturedCount() const
{
    int count = 0;
    for (int i = 0; i < Count(); ++i)
        count += GetItem(i)->PngImage() ? 1 : 0;
    return count;
}

std::size_t TPngImageCollectionItems::NativeImageBytes() const
{
    const auto* list = qobject_cast<const TPngImageList*>(owner_);
    return list ? list->NativeImageBytes() : 0;
}

std::unique_ptr<TCollectionItem> TPngImageCollectionItems::CreateItem()
{
    return std::make_unique<TPngImageCollectionItem>(*this);
}
