// Values a component stores in its window description beyond its published Qt properties: collections,
// binary data, design positions. A component lists them in DefineProperties; the reader hands each stored
// value to its read routine, the writer stores the write routine's value when hasData is true.
#pragma once

#include "classlib/base/exception.h"
#include "classlib/widgets/formvalue.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// A fault in one item of a stored collection, which the reader reports at the line of the item's property
// with the item's index.
class ECollectionItemError : public Exception {
public:
    ECollectionItemError(std::size_t index, int line, AnsiString message)
        : Exception(std::move(message)), index_(index), line_(line)
    {
    }
    std::size_t Index() const { return index_; }
    int Line() const { return line_; }

private:
    std::size_t index_;
    int line_;
};

// Runs read for property of the collection item at index; an Exception it raises comes out as an
// ECollectionItemError naming the item and the property's line.
template <class Read>
void InCollectionItem(std::size_t index, const TFormProperty& property, Read&& read)
{
    try {
        read();
    } catch (const Exception& error) {
        throw ECollectionItemError(index, property.line, error.Message());
    }
}

class TFiler {
public:
    using ReadValue = std::function<void(const TFormValue&)>;
    using WriteValue = std::function<TFormValue()>;

    virtual ~TFiler() = default;
    virtual void DefineProperty(const std::string& name, ReadValue read, WriteValue write, bool hasData) = 0;
};

// Mixed into a component class whose description carries defined values. Read routines raise
// an Exception with a plain message when the value does not fit; the reader adds the line.
class TDefinesProperties {
public:
    virtual ~TDefinesProperties() = default;
    virtual void DefineProperties(TFiler& filer) = 0;
};

// A filer that keeps every definition, in the order the component makes them.
class TFilerDefinitions : public TFiler {
public:
    struct TDefinition {
        std::string name;
        ReadValue read;
        WriteValue write;
        bool hasData;
    };

    void DefineProperty(const std::string& name, ReadValue read, WriteValue write, bool hasData) override
    {
        definitions.push_back({name, std::move(read), std::move(write), hasData});
    }

    std::vector<TDefinition> definitions;
};
