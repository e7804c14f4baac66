#include "formtestcomponents.h"

#include "classlib/graphics/canvas.h"
#include "classlib/forms/classregistry.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/base/exception.h"

#include <QBuffer>
#include <QPainter>

void TTestForm::ButtonClick(QObject* Sender)
{
    calls.push_back("ButtonClick " + Sender->objectName().toStdString());
}

void TTestForm::ButtonChange()
{
    calls.push_back("ButtonChange");
}

void TTestForm::FormActivate(QObject*)
{
    calls.push_back("FormActivate");
}

TTestButton::TTestButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    resize(80, 24);
}

void TTestButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(TControlProperties::Color(this)));
    painter.setPen(ToQColor(borderColor_));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(font());
    painter.setPen(ToQColor(TControlProperties::FontColor(this)));
    const int align = alignment_ == taLeftJustify ? Qt::AlignLeft : alignment_ == taRightJustify ? Qt::AlignRight
                                                                                                 : Qt::AlignHCenter;
    painter.drawText(rect().adjusted(margin_, 0, -margin_, 0), align | Qt::AlignVCenter,
                     QString::fromStdString(caption_.ToUtf8()));
}

void TTestList::DefineProperties(TFiler& filer)
{
    filer.DefineProperty(
        "Entries", [this](const TFormValue& value) { ReadEntries(value); }, [this] { return WriteEntries(); },
        !entries.empty());
    filer.DefineProperty(
        "Picture.Data", [this](const TFormValue& value) { ReadPicture(value); },
        [this] { return TFormValue::OfBinary(pictureData); }, !pictureData.isEmpty());
}

void TTestList::ReadEntries(const TFormValue& value)
{
    if (value.kind != TFormValue::Kind::Collection)
        throw Exception("expected a collection");
    entries.clear();
    for (const TFormItem& item : value.items) {
        TEntry entry;
        for (const TFormProperty& property : item.properties)
            if (property.name == "Name")
                entry.name = property.value.text;
            else if (property.name == "Value")
                entry.value = property.value.integer;
            else
                throw Exception(AnsiString::FromUtf8("an entry has no property " + property.name));
        entries.push_back(entry);
    }
}

TFormValue TTestList::WriteEntries() const
{
    std::vector<TFormItem> items;
    for (const TEntry& entry : entries) {
        TFormItem item;
        item.properties.push_back({"Name", TFormValue::OfString(entry.name), 0});
        if (entry.value != 0)
            item.properties.push_back({"Value", TFormValue::OfInteger(entry.value), 0});
        items.push_back(std::move(item));
    }
    return TFormValue::OfCollection(std::move(items));
}

void TTestList::ReadPicture(const TFormValue& value)
{
    if (value.kind != TFormValue::Kind::Binary)
        throw Exception("expected binary data");
    QImage image;
    if (!image.loadFromData(value.binary, "PNG"))
        throw EInvalidGraphic("the picture is not a valid PNG file");
    picture = image;
    pictureData = value.binary;
}

void RegisterTestComponents()
{
    RegisterClass<TTestForm>("TTestForm");
    RegisterClass<TTestPanel>("TTestPanel");
    RegisterClass<TTestButton>("TTestButton");
    RegisterClass<TTestList>("TTestList");
    RegisterClass<TAlignProbe>("TAlignProbe");
}

QByteArray TestPng()
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(1, 0, qRgba(0, 0, 255, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
