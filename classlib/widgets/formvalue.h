// The values of a window description: what stands after the '=' of a property line, as the reader
// parsed it and the writer will store it.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TFormProperty;

// One <item … end> entry of a collection: its property lines in file order.
struct TFormItem {
    std::vector<TFormProperty> properties;
};

// The strings of a list value, kept in one buffer: a list of many short strings costs little more than its
// characters, and an empty list only a pointer.
class TFormStrings {
public:
    TFormStrings() = default;
    TFormStrings(const TFormStrings& other) : data_(other.data_ ? std::make_unique<TData>(*other.data_) : nullptr) {}
    TFormStrings(TFormStrings&&) noexcept = default;
    TFormStrings& operator=(const TFormStrings& other)
    {
        if (this != &other)
            data_ = other.data_ ? std::make_unique<TData>(*other.data_) : nullptr;
        return *this;
    }
    TFormStrings& operator=(TFormStrings&&) noexcept = default;

    std::size_t size() const { return data_ ? data_->ends.size() : 0; }
    bool empty() const { return size() == 0; }
    QString operator[](std::size_t index) const
    {
        const qsizetype start = index == 0 ? 0 : data_->ends[index - 1];
        return data_->characters.mid(start, data_->ends[index] - start);
    }
    void push_back(const QString& text)
    {
        if (!data_)
            data_ = std::make_unique<TData>();
        data_->characters += text;
        data_->ends.push_back(data_->characters.size());
    }

private:
    struct TData {
        QString characters;
        std::vector<qsizetype> ends; // where each string ends in characters
    };
    std::unique_ptr<TData> data_;
};

struct TFormValue {
    enum class Kind : std::uint8_t { Integer, Float, String, Identifier, Set, List, Binary, Collection };

    Kind kind = Kind::Integer;
    union {
        std::int64_t integer = 0; // Integer
        double number;            // Float
    };
    QString text;                     // String, and the name of an Identifier (True, False, clBtnFace, taCenter …)
    std::vector<std::string> members; // Set: the names between the brackets
    TFormStrings list;                // List: the strings between the parentheses (string lists)
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
