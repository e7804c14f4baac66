#include "classlib/forms/formwriter.h"

#include "classlib/forms/classregistry.h"
#include "classlib/forms/eventbinding.h"
#include "classlib/forms/formparser.h"
#include "classlib/base/exception.h"
#include "classlib/widgets/filer.h"
#include "classlib/widgets/publishedproperty.h"

#include <QMetaClassInfo>
#include <QMetaProperty>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>

namespace {

using Kind = TFormValue::Kind;

constexpr int kStringPiece = 64;  // characters of a string per line
constexpr int kBinaryLine = 32;   // bytes of binary data per line (64 hexadecimal digits)

std::string Indent(int depth)
{
    return std::string(static_cast<std::size_t>(depth) * 2, ' ');
}

// Printable characters go between quotes, control characters as #<code>; long texts continue with '+'.
std::string FormatString(const QString& text, int depth)
{
    if (text.isEmpty())
        return "''";
    std::string result;
    bool quoted = false;
    int onLine = 0;
    const QList<uint> codes = text.toUcs4();
    for (uint code : codes) {
        if (onLine == kStringPiece) {
            result += (quoted ? "' +\n" : " +\n") + Indent(depth + 1);
            quoted = false;
            onLine = 0;
        }
        const bool control = code < 0x20 || code == 0x7F;
        if (control) {
            result += (quoted ? "'#" : "#") + std::to_string(code);
            quoted = false;
        } else {
            if (!quoted)
                result += '\'';
            quoted = true;
            const char32_t character = code;
            result += code == '\'' ? "''" : QString::fromUcs4(&character, 1).toStdString();
        }
        ++onLine;
    }
    return quoted ? result + "'" : result;
}

std::string FormatFloat(double number)
{
    if (!std::isfinite(number))
        throw Exception("a number that is not finite cannot be written");
    if (number == 0)
        return std::signbit(number) ? "-0.0" : "0.0"; // Qt writes negative zero without its sign
    std::string text = QString::number(number, 'g', 17).toStdString();
    if (text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

std::string FormatBinary(const QByteArray& bytes, int depth)
{
    std::string result = "{";
    for (qsizetype start = 0; start < bytes.size(); start += kBinaryLine)
        result += "\n" + Indent(depth + 1) + bytes.mid(start, kBinaryLine).toHex().toUpper().toStdString();
    return result + "}";
}

std::string FormatValue(const TFormValue& value, int depth);

std::string FormatProperty(const std::string& name, const TFormValue& value, int depth)
{
    return Indent(depth) + name + " = " + FormatValue(value, depth) + "\n";
}

bool HasLongLine(const std::string& text)
{
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start = end + 1))
        if (end - start > TFormParser::MaxLineLength)
            return true;
    return text.size() - start > TFormParser::MaxLineLength;
}

std::string FormatSet(const TFormValue& value)
{
    std::string result = "[";
    for (std::size_t i = 0; i < value.members.size(); ++i)
        result += (i ? ", " : "") + value.members[i];
    return result + "]";
}

std::string FormatList(const TFormValue& value, int depth)
{
    std::string result = "(";
    for (std::size_t i = 0; i < value.list.size(); ++i)
        result += "\n" + Indent(depth + 1) + FormatString(value.list[i], depth + 1);
    return result + ")";
}

std::string FormatCollection(const TFormValue& value, int depth)
{
    std::string result = "<";
    for (const TFormItem& item : value.items) {
        result += "\n" + Indent(depth + 1) + "item\n";
        for (const TFormProperty& property : item.properties)
            result += FormatProperty(property.name, property.value, depth + 2);
        result += Indent(depth + 1) + "end";
    }
    return result + ">";
}

std::string FormatValue(const TFormValue& value, int depth)
{
    switch (value.kind) {
    case Kind::Integer: return std::to_string(value.integer);
    case Kind::Float: return FormatFloat(value.number);
    case Kind::String: return FormatString(value.text, depth);
    case Kind::Identifier: return value.text.toStdString();
    case Kind::Set: return FormatSet(value);
    case Kind::List: return FormatList(value, depth);
    case Kind::Binary: return FormatBinary(value.binary, depth);
    case Kind::Collection: return FormatCollection(value, depth);
    }
    return {};
}

bool IsName(const std::string& name)
{
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return !name.empty() && letter(name[0]) &&
           std::all_of(name.begin(), name.end(), [&](char c) { return letter(c) || digit(c); });
}

std::string NameOf(const QObject* object)
{
    const std::string name = object->objectName().toStdString();
    return (name.empty() ? "" : name.substr(0, 40) + " ") + "(" + TClassRegistry::ClassNameOf(object) + ")";
}

[[noreturn]] void Refuse(const QObject* object, const std::string& what)
{
    throw EWriteError(AnsiString::FromUtf8(NameOf(object) + what));
}

// A class whose published properties all have the streaming default zero declares
// Q_CLASSINFO("StreamingDefault", "zero"): each is stored unless it is 0, False, the enumeration's value 0
// or the empty set, whatever other value its constructor sets; a zero is stored where the constructor sets
// another value, so that it reads back.
bool DefaultsAreZero(const QObject* object)
{
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfClassInfo("StreamingDefault");
    return index >= 0 && qstrcmp(meta->classInfo(index).value(), "zero") == 0;
}

bool IsZero(const QObject* object, const std::string& name)
{
    const int index = object->metaObject()->indexOfProperty(name.c_str());
    if (index < 0)
        return false;
    const QVariant value = object->metaObject()->property(index).read(object);
    return value == QVariant(value.metaType());
}

class TWriter {
public:
    explicit TWriter(const QObject* root) : root_(root) {}

    // The description of the root and its tree; first checks what every reference and name needs.
    std::string Write()
    {
        Collect(root_);
        return Object(root_, 0);
    }

private:
    static bool IsWritten(const QObject* child) { return !TClassRegistry::NameOf(child->metaObject()).empty(); }

    // The components the description holds, each name once: the reader refuses a name given twice.
    void Collect(const QObject* object)
    {
        written_.insert(object);
        const QString name = object->objectName();
        if (!name.isEmpty() && !names_.insert(name).second)
            Refuse(object, ": another component of the written tree has this name");
        for (const QObject* child : object->children())
            if (IsWritten(child))
                Collect(child);
    }

    std::string Object(const QObject* object, int depth)
    {
        const std::string name = object->objectName().toStdString();
        if (!name.empty() && !IsName(name))
            Refuse(object, ": the name is not an identifier (letters A to Z, digits and '_', not first a digit)");
        const std::string className = TClassRegistry::ClassNameOf(object);
        std::string text = Indent(depth) + "object " + (name.empty() ? "" : name + ": ") + className + "\n";
        if (HasLongLine(text))
            Refuse(object, ": the name is longer than a line of the description may be");
        text += Published(object, depth + 1);
        for (const auto& [event, handler] : TEventBinding::Bindings(object))
            text += Indent(depth + 1) + event + " = " + handler + "\n";
        text += Defined(object, depth + 1);
        for (const QObject* child : object->children())
            if (IsWritten(child))
                text += Object(child, depth + 1);
        return text + Indent(depth) + "end\n";
    }

    std::string Published(const QObject* object, int depth)
    {
        const QObject* fresh = FreshInstance(object);
        std::map<std::string, TPublishedProperty> defaults;
        for (TPublishedProperty& property : TPublishedProperty::Of(fresh))
            defaults.emplace(property.name, std::move(property));
        const bool zeroDefaults = DefaultsAreZero(object);
        std::string text;
        for (const TPublishedProperty& property : TPublishedProperty::Of(object)) {
            if (!property.stored(object))
                continue;
            if (property.reference)
                CheckWritten(object, property);
            const std::string line = Line(object, property.name, [&] { return property.get(object); }, depth);
            const auto standard = defaults.find(property.name);
            const bool asFresh = standard != defaults.end() &&
                                 FormatProperty(property.name, standard->second.get(fresh), depth) == line;
            // A zero the constructor does not set is written all the same, or reading would bring the
            // constructor's value back.
            if (zeroDefaults ? IsZero(object, property.name) && asFresh : property.compareWithDefault && asFresh)
                continue;
            text += line;
        }
        return text;
    }

    // The line of a value as the reader takes it back; what it could not read is refused.
    template <class Value>
    static std::string Line(const QObject* object, const std::string& name, Value&& value, int depth)
    {
        std::string line;
        try {
            line = FormatProperty(name, value(), depth);
        } catch (const Exception& error) {
            Refuse(object, "." + name + ": " + error.Message().ToUtf8());
        }
        if (HasLongLine(line))
            Refuse(object, "." + name + ": longer than a line of the description may be");
        return line;
    }

    // A reference names a component the description holds, or nothing.
    void CheckWritten(const QObject* object, const TPublishedProperty& property) const
    {
        const QObject* target = property.target(object);
        if (target && !written_.count(target))
            Refuse(object, "." + property.name + ": refers to " + NameOf(target) + ", which is not in the written tree");
    }

    std::string Defined(const QObject* object, int depth)
    {
        auto* definer = dynamic_cast<TDefinesProperties*>(const_cast<QObject*>(object));
        if (!definer)
            return {};
        TFilerDefinitions defined;
        definer->DefineProperties(defined);
        std::string text;
        for (const TFilerDefinitions::TDefinition& definition : defined.definitions)
            if (definition.hasData)
                text += Line(object, definition.name, definition.write, depth);
        return text;
    }

    // A fresh instance placed like object, made once per class and kind of placement.
    const QObject* FreshInstance(const QObject* object)
    {
        const bool child = object->isWidgetType() && !static_cast<const QWidget*>(object)->isWindow();
        std::unique_ptr<QObject>& fresh = fresh_[{object->metaObject(), child}];
        if (!fresh)
            fresh.reset(Create(object, child));
        return fresh.get();
    }

    QObject* Create(const QObject* object, bool child)
    {
        QObject* fresh = TClassRegistry::CreateLike(object, &scratch_);
        if (fresh)
            return fresh;
        if (object->isWidgetType())
            return new QWidget(child ? &scratch_ : nullptr);
        return new QObject;
    }

    const QObject* root_;
    std::set<const QObject*> written_;
    std::set<QString> names_;
    QWidget scratch_; // parent of the fresh instances of child controls; declared first, so destroyed last
    std::map<std::pair<const QMetaObject*, bool>, std::unique_ptr<QObject>> fresh_;
};

} // namespace

std::string TFormWriter::Write(const QObject* root)
{
    return TWriter(root).Write();
}
