#include "classlib/widgets/publishedproperty.h"

#include "classlib/base/ansistring.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/base/exception.h"

#include <QMetaEnum>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QStringList>
#include <QWidget>

#include <cstring>
#include <limits>
#include <set>

namespace {

using Kind = TFormValue::Kind;

[[noreturn]] void Refuse(const std::string& why)
{
    throw Exception(AnsiString::FromUtf8(why));
}

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::Integer: return "a number";
    case Kind::Float: return "a number with a fraction";
    case Kind::String: return "a string";
    case Kind::Identifier: return "a name";
    case Kind::Set: return "a set";
    case Kind::List: return "a list";
    case Kind::Binary: return "binary data";
    case Kind::Collection: return "a collection";
    }
    return "a value";
}

void Expect(const TFormValue& value, Kind kind, const char* expected)
{
    if (value.kind != kind)
        Refuse(std::string("expected ") + expected + ", found " + KindName(value.kind));
}

struct TRange {
    std::int64_t low;
    std::int64_t high;
};

bool IntegerRange(int typeId, TRange& range)
{
    auto of = [&range](auto sample) {
        using T = decltype(sample);
        range = {static_cast<std::int64_t>(std::numeric_limits<T>::min()),
                 static_cast<std::int64_t>(std::min<std::uint64_t>(std::numeric_limits<T>::max(),
                                                                   std::numeric_limits<std::int64_t>::max()))};
        return true;
    };
    switch (typeId) {
    case QMetaType::Int: return of(int());
    case QMetaType::UInt: return of(unsigned());
    case QMetaType::Short: return of(short());
    case QMetaType::UShort: return of(static_cast<unsigned short>(0));
    case QMetaType::Char: return of(char());
    case QMetaType::SChar: return of(static_cast<signed char>(0));
    case QMetaType::UChar: return of(static_cast<unsigned char>(0));
    case QMetaType::Long: return of(long());
    case QMetaType::ULong: return of(static_cast<unsigned long>(0));
    case QMetaType::LongLong: return of(static_cast<long long>(0));
    case QMetaType::ULongLong: return of(static_cast<unsigned long long>(0));
    default: return false;
    }
}

void Write(QObject* component, const QMetaProperty& property, const QVariant& value)
{
    if (!property.write(component, value))
        Refuse("the value was not accepted");
}

// Enumerations and flags come back from Qt as their own types; their bytes hold the number.
std::int64_t EnumNumber(const QVariant& value)
{
    std::int32_t number = 0;
    std::memcpy(&number, value.constData(), std::min<std::size_t>(sizeof number, value.metaType().sizeOf()));
    return number;
}

std::string ShownName(const TFormValue& value)
{
    return value.text.left(40).toStdString();
}

// The class's "bool <property>Stored() const" (Q_INVOKABLE), when it declares one.
QMetaMethod StoredInStateMethod(const QMetaProperty& property)
{
    const QMetaObject* meta = property.enclosingMetaObject();
    const QByteArray signature = QByteArray(property.name()) + "Stored()";
    const int index = meta->indexOfMethod(signature.constData());
    return index < 0 ? QMetaMethod() : meta->method(index);
}

bool StoredInState(const QMetaMethod& method, const QObject* component)
{
    if (!method.isValid())
        return true;
    bool stored = true;
    method.invoke(const_cast<QObject*>(component), Qt::DirectConnection, Q_RETURN_ARG(bool, stored));
    return stored;
}

// Builds the accessors of one Q_PROPERTY; false when its type is not published.
class TPropertyAccess {
public:
    explicit TPropertyAccess(const QMetaProperty& property) : property_(property) {}

    bool Fill(TPublishedProperty& entry) const
    {
        entry.name = property_.name();
        const QMetaProperty property = property_;
        const QMetaMethod storedInState = StoredInStateMethod(property);
        entry.stored = [property, storedInState](const QObject* component) {
            return property.isWritable() && property.isStored() && StoredInState(storedInState, component);
        };
        if (!Accessors(entry))
            return false;
        if (!property.isWritable())
            entry.set = [name = entry.name](QObject*, const TFormValue&) { Refuse(name + " is read-only"); };
        return true;
    }

private:
    bool Accessors(TPublishedProperty& entry) const
    {
        const QMetaType type = property_.metaType();
        TRange range{};
        if (property_.isFlagType())
            FlagAccess(entry);
        else if (property_.isEnumType())
            EnumAccess(entry);
        else if (type.id() == QMetaType::Bool)
            BoolAccess(entry);
        else if (IntegerRange(type.id(), range))
            IntegerAccess(entry, range);
        else if (type.id() == QMetaType::Double || type.id() == QMetaType::Float)
            FloatAccess(entry);
        else if (type.id() == QMetaType::QString)
            StringAccess(entry);
        else if (type == QMetaType::fromType<AnsiString>())
            AnsiStringAccess(entry);
        else if (type.id() == QMetaType::QStringList || type == QMetaType::fromType<QList<AnsiString>>())
            StringListAccess(entry);
        else if (type.id() == QMetaType::QByteArray)
            BinaryAccess(entry);
        else if (type.flags().testFlag(QMetaType::PointerToQObject))
            ReferenceAccess(entry);
        else
            return false;
        return true;
    }

    void FlagAccess(TPublishedProperty& entry) const
    {
        const QMetaProperty property = property_;
        entry.get = [property](const QObject* component) {
            const std::int64_t bits = EnumNumber(property.read(component));
            const QMetaEnum enumerator = property.enumerator();
            TFormValue set;
            set.kind = Kind::Set;
            for (int i = 0; i < enumerator.keyCount(); ++i) {
                const auto value = static_cast<std::int64_t>(static_cast<unsigned>(enumerator.value(i)));
                if (value != 0 && (value & (value - 1)) == 0 && (bits & value) == value)
                    set.members.emplace_back(enumerator.key(i));
            }
            return set;
        };
        entry.set = [property](QObject* component, const TFormValue& value) {
            Expect(value, Kind::Set, "a set in brackets");
            const QMetaEnum enumerator = property.enumerator();
            int bits = 0;
            for (const std::string& member : value.members) {
                bool known = false;
                const int bit = enumerator.keyToValue(member.c_str(), &known);
                if (!known)
                    Refuse("'" + member.substr(0, 40) + "' is not a member of " + enumerator.name());
                bits |= bit;
            }
            Write(component, property, QVariant(bits));
        };
    }

    void EnumAccess(TPublishedProperty& entry) const
    {
        const QMetaProperty property = property_;
        entry.get = [property](const QObject* component) {
            const auto number = static_cast<int>(EnumNumber(property.read(component)));
            const char* key = property.enumerator().valueToKey(number);
            if (!key)
                Refuse(std::to_string(number) + " is not a value of " + property.enumerator().enumName());
            return TFormValue::OfIdentifier(QString::fromLatin1(key));
        };
        entry.set = [property](QObject* component, const TFormValue& value) {
            Expect(value, Kind::Identifier, "a name of an enumerator");
            bool known = false;
            const int number = property.enumerator().keyToValue(value.text.toLatin1().constData(), &known);
            if (!known)
                Refuse("'" + ShownName(value) + "' is not a value of " + property.enumerator().enumName());
            Write(component, property, QVariant(number));
        };
    }

    void BoolAccess(TPublishedProperty& entry) const
    {
        const QMetaProperty property = property_;
        entry.get = [property](const QObject* component) {
            return TFormValue::OfIdentifier(property.read(component).toBool() ? "True" : "False");
        };
        entry.set = [property](QObject* component, const TFormValue& value) {
            Write(component, property, QVariant(TControlProperties::ToBool(value)));
        };
    }

    void IntegerAccess(TPublishedProperty& entry, TRange range) const
    {
        const QMetaProperty property = property_;
        const bool colour = property.metaType().id() == QMetaType::Int && entry.name.find("Color") != std::string::npos;
        entry.get = [property, colour](const QObject* component) {
            const std::int64_t number = property.read(component).toLongLong();
            return colour ? TControlProperties::FromColor(static_cast<TColor>(number)) : TFormValue::OfInteger(number);
        };
        entry.set = [property, colour, range](QObject* component, const TFormValue& value) {
            if (colour && value.kind == Kind::Identifier) {
                Write(component, property, QVariant(TControlProperties::ToColor(value)));
                return;
            }
            Expect(value, Kind::Integer, colour ? "a colour name or number" : "a whole number");
            if (value.integer < range.low || value.integer > range.high)
                Refuse(std::to_string(value.integer) + " is out of range " + std::to_string(range.low) + ".." +
                       std::to_string(range.high));
            Write(component, property, QVariant(static_cast<qlonglong>(value.integer)));
        };
    }

    void FloatAccess(TPublishedProperty& entry) const
    {
        const QMetaProperty property = property_;
        entry.get = [property](const QObject* component) {
            TFormValue number;
            number.kind = Kind::Float;
            number.number = property.read(component).toDouble();
            return number;
        };
        entry.set = [property](QObject* component, const TFormValue& value) {
            if (value.kind == Kind::Integer)
                Write(component, property, QVariant(static_cast<double>(value.integer)));
            else {
                Expect(value, Kind::Float, "a number");
                Write(component, property, QVariant(value.number));
            }
        };
    }

    void StringAccess(TPublishedProperty& entry) const
    {
        const QMetaProperty property = property_;
        entry.get = [property](const QObject* component) {
            return TFormValue::OfString(property.read(component).toString());
        };
        entry.set = [property](QObject* component, const TFormValue& value) {
            Expect(value, Kind::String, "a string");
            Write(component, property, QVariant(value.text));
        };
    }

    void AnsiStringAccess(TPublishedProperty& entry) const
    {
        const QMetaProperty property = property_;
        entry.get = [property](const QObject* component) {
            return TFormValue::OfString(
                QString::fromStdString(property.read(component).value<AnsiString>().ToUtf8()));
        };
        entry.set = [property](QObject* component, const TFormValue& value) {
            Expect(value, Kind::String, "a string");
            Write(component, property, QVariant::fromValue(TControlProperties::ToAnsiString(value.text)));
        };
    }

    void StringListAccess(TPublishedProperty& entry) const
    {
        entry.name += ".Strings";
        const QMetaProperty property = property_;
        const bool ansi = property.metaType() == QMetaType::fromType<QList<AnsiString>>();
        entry.get = [property, ansi](const QObject* component) {
            TFormValue list;
            list.kind = Kind::List;
            const QVariant value = property.read(component);
            if (ansi)
                for (const AnsiString& text : value.value<QList<AnsiString>>())
                    list.list.push_back(QString::fromStdString(text.ToUtf8()));
            else
                for (const QString& text : value.toStringList())
                    list.list.push_back(text);
            return list;
        };
        entry.set = [property, ansi](QObject* component, const TFormValue& value) {
            Expect(value, Kind::List, "a list of strings in parentheses");
            QStringList texts;
            QList<AnsiString> ansiTexts;
            for (std::size_t i = 0; i < value.list.size(); ++i) {
                if (ansi)
                    ansiTexts.push_back(TControlProperties::ToAnsiString(value.list[i]));
                else
                    texts.push_back(value.list[i]);
            }
            Write(component, property, ansi ? QVariant::fromValue(ansiTexts) : QVariant(texts));
        };
    }

    void BinaryAccess(TPublishedProperty& entry) const
    {
        const QMetaProperty property = property_;
        entry.get = [property](const QObject* component) {
            return TFormValue::OfBinary(property.read(component).toByteArray());
        };
        entry.set = [property](QObject* component, const TFormValue& value) {
            Expect(value, Kind::Binary, "binary data in braces");
            Write(component, property, QVariant(value.binary));
        };
    }

    void ReferenceAccess(TPublishedProperty& entry) const
    {
        const QMetaProperty property = property_;
        entry.reference = true;
        entry.get = [property](const QObject* component) {
            const QObject* target = property.read(component).value<QObject*>();
            if (target && target->objectName().isEmpty())
                Refuse("refers to a component without a name");
            return TFormValue::OfIdentifier(target ? target->objectName() : QStringLiteral("nil"));
        };
        entry.target = [property](const QObject* component) { return property.read(component).value<QObject*>(); };
        entry.set = [](QObject*, const TFormValue& value) { Expect(value, Kind::Identifier, "a component name"); };
        entry.setReference = [property](QObject* component, QObject* target) {
            QVariant value = target ? QVariant::fromValue(target) : QVariant(property.metaType());
            if (!value.convert(property.metaType()))
                Refuse(target->objectName().left(40).toStdString() + " is not a " +
                       property.metaType().metaObject()->className());
            Write(component, property, value);
        };
    }

    QMetaProperty property_;
};

// Properties that Qt's own classes declare (objectName, enabled, geometry …) are not published; every property
// that one of our classes declares is, whatever its first letter (gColorBegin of the gradient panel).
bool IsPublished(const QMetaObject* meta, int index)
{
    while (meta->superClass() && meta->propertyOffset() > index)
        meta = meta->superClass();
    const char* declaringClass = meta->className();
    return !(declaringClass[0] == 'Q' && declaringClass[1] >= 'A' && declaringClass[1] <= 'Z');
}

} // namespace

std::vector<TPublishedProperty> TPublishedProperty::Of(const QObject* component)
{
    std::vector<TPublishedProperty> own;
    std::set<std::string> ownNames;
    const QMetaObject* meta = component->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        TPublishedProperty entry;
        if (IsPublished(meta, i) && TPropertyAccess(property).Fill(entry)) {
            ownNames.insert(entry.name);
            own.push_back(std::move(entry));
        }
    }
    std::vector<TPublishedProperty> all;
    if (component->isWidgetType())
        for (const TPublishedProperty& common : TControlProperties::Table(static_cast<const QWidget*>(component)))
            if (!ownNames.count(common.name))
                all.push_back(common);
    all.insert(all.end(), std::make_move_iterator(own.begin()), std::make_move_iterator(own.end()));
    return all;
}
