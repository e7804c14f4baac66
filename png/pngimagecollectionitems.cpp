#include "png/pngimagecollectionitems.h"

#include "classlib/colorident.h"
#include "classlib/controlproperties.h"
#include "classlib/exception.h"
#include "png/pngimagelist.h"

#include <limits>
#include <sstream>
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
    if (item.PngImage() && !item.PngImage()->Empty())
        properties.push_back({"PngImage.Data", PngFileValue(*item.PngImage())});
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

std::unique_ptr<TPNGObject> PngFromFile(const TFormProperty& property)
{
    ExpectKind(property, TFormValue::Kind::Binary, "binary data");
    auto png = std::make_unique<TPNGObject>();
    std::istringstream file(property.value.binary.toStdString());
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

void ReadItemProperty(TPngImageCollectionItem& item, const TFormProperty& property)
{
    if (property.name == "PngImage.Data") {
        item.TakePngImage(PngFromFile(property));
    } else if (property.name == "Name") {
        ExpectKind(property, TFormValue::Kind::String, "a text");
        item.SetName(AnsiString::FromUtf8(property.value.text.toStdString()));
    } else if (property.name == "Background") {
        item.SetBackground(ColorFrom(property));
    } else {
        throw Exception("unknown PNG image property " + property.name);
    }
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
    TPngImageCollectionItems read(nullptr);
    for (std::size_t index = 0; index < value.items.size(); ++index) {
        TPngImageCollectionItem& item = read.Add(true);
        for (const TFormProperty& property : value.items[index].properties)
            InCollectionItem(index, property, [&] { ReadItemProperty(item, property); });
    }
    Assign(read);
}

std::unique_ptr<TCollectionItem> TPngImageCollectionItems::CreateItem()
{
    return std::make_unique<TPngImageCollectionItem>(*this);
}
