// The values of a window description: what stands after the '=' of a property line, as the reader
// parsed it and the writer will store it.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

struct TFormProperty;

// One <item … end> entry of a collection: its property lines in file order.
struct TFormItem {
    std::vector<TFormProperty> properties;
};

struct TFormValue {
    enum class Kind { Integer, Float, String, Identifier, Set, List, Binary, Collection };

    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    double number = 0.0;
    QString text;                     // String, and the name of an Identifier (True, False, clBtnFace, taCenter …)
    std::vector<std::string> members; // Set: the names between the brackets
    std::vector<TFormValue> list;     // List: the values between the parentheses (string lists)
    QByteArray binary;                // Binary: the bytes between the braces
    std::vector<TFormItem> items;     // Collection

    // Defined below, where every part of a value is complete (some compilers need that for the destructor).
    static TFormValue OfInteger(std::int64_t value);
    static TFormValue OfString(const QString& value);
    static TFormValue OfIdentifier(const QString& name);
    static TFormValue OfBinary(const QByteArray& bytes);
    static TFormValue OfCollection(std::vector<TFormItem> entries);
};

// A property line: "Name = value"; names may be dotted ("PngImage.Data", "Font.Name").
struct TFormProperty {
    std::string name;
    TFormValue value;
    int line = 0; // 1-based line of the description, for error messages; 0 when built in memory
};

inline TFormValue TFormValue::OfInteger(std::int64_t value)
{
    TFormValue v;
    v.kind = Kind::Integer;
    v.integer = value;
    return v;
}

inline TFormValue TFormValue::OfString(const QString& value)
{
    TFormValue v;
    v.kind = Kind::String;
    v.text = value;
    return v;
}

inline TFormValue TFormValue::OfIdentifier(const QString& name)
{
    TFormValue v;
    v.kind = Kind::Identifier;
    v.text = name;
    return v;
}

inline TFormValue TFormValue::OfBinary(const QByteArray& bytes)
{
    TFormValue v;
    v.kind = Kind::Binary;
    v.binary = bytes;
    return v;
}

inline TFormValue TFormValue::OfCollection(std::vector<TFormItem> entries)
{
    TFormValue v;
    v.kind = Kind::Collection;
    v.items = std::move(entries);
    return v;
}

// One "object Name: TClass … end" block: its property lines in file order and the blocks nested in it.
struct TFormObject {
    std::string name;
    std::string className;
    int line = 0;
    std::vector<TFormProperty> properties;
    std::vector<TFormObject> children;
};
