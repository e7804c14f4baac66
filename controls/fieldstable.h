// The field table of the field grid: one FieldRecord per description line, in line order, and the values of
// every field. A record's position is its field index, which is also the column that shows it.
//
// A description line holds up to 13 fields separated by "|", read by position, each trimmed of blanks and
// control characters: visible flag, name, caption, width, header flag, type name, format, alignment ("left",
// "right", "center"), cell colour and font colour as HTML colour text, font name, font size and font style.
// Lines build on one working record, so an alignment word other than the three keeps the previous line's, and
// an empty line repeats the previous field.
//
// Every error raises Exception with a message that names the operation. Field index arguments are unsigned
// 32-bit values compared as signed numbers (0xFFFFFFFF is -1); rows count from 1 for the first value.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/base/variant.h"
#include "controls/fieldrecord.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QWidget;
class TPngImageList;

// Text without the blanks and control characters (codes 0 to 32) at either end.
AnsiString TrimDescription(const AnsiString& text);
// A whole decimal number with an optional sign that fits 32 bits; nothing for any other text.
std::optional<std::int32_t> ReadDescriptionInteger(const AnsiString& text);

class TFieldsTable {
public:
    std::size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    FieldRecord& operator[](std::size_t field) { return records_[field]; }
    const FieldRecord& operator[](std::size_t field) const { return records_[field]; }
    std::vector<FieldRecord>::iterator begin() { return records_.begin(); }
    std::vector<FieldRecord>::iterator end() { return records_.end(); }
    std::vector<FieldRecord>::const_iterator begin() const { return records_.begin(); }
    std::vector<FieldRecord>::const_iterator end() const { return records_.end(); }

    // Rebuilds the table from the lines: each line is parsed into one working record that starts with the
    // defaults and keeps what earlier lines put into it, and a description copy of it is appended. A line that
    // raises leaves the records of the lines before it.
    void SetProperties(std::span<const AnsiString> lines);
    // Reads one description line into record; an empty (or blank) line changes nothing. Raises
    // "field already exist!, (ParseString)" when the line's name is already in the table.
    void ParseString(const AnsiString& line, FieldRecord& record) const;
    // The trimmed text from cursor (0 for the first character) up to the next "|" or the end of line; cursor
    // moves past that "|". Past the end of line the field is empty.
    static AnsiString FindNextProperties(const AnsiString& line, std::size_t& cursor);
    // The index of the first record named exactly name.
    bool FindField(const AnsiString& name, std::uint32_t& field) const;

    // Bounds of a value (valueIndex is row - 1) and of a field.
    void CheckFields(std::uint32_t field, std::int64_t valueIndex) const;
    void CheckColumn(std::uint32_t field) const;

    // Value row - 1 of the field; never appends.
    const Variant& fGetValues(std::uint32_t field, std::int32_t row) const;
    void fSetValues(std::uint32_t field, std::int32_t row, const Variant& value);
    // The same by field name.
    const Variant& fGetStrValues(const AnsiString& name, std::int32_t row) const;
    void fSetStrValues(const AnsiString& name, std::int32_t row, const Variant& value);
    // Appends a value to the field.
    void AddValue(std::uint32_t field, const Variant& value);
    void AddValue(const AnsiString& name, const Variant& value);
    // The number of values of the field.
    std::int32_t GetSizeField(std::uint32_t field) const;
    std::int32_t GetSizeField(const AnsiString& name) const;
    // Removes the values of every field.
    void Clear();
    // True when nothing is to be shown: no field, no visible field, or no value in the first field.
    bool IsWithoutValues() const;

    // The field's image list and edit control, both referenced and not owned. A null reference does nothing
    // (false), even for a name that no field has; otherwise the field must exist. True when assigned.
    bool AssignPIL(const AnsiString& name, TPngImageList* imageList);
    bool AssignEditControl(const AnsiString& name, QWidget* editControl);

private:
    // The index of the first record named name; raises notFound when there is none.
    std::uint32_t FieldOf(const AnsiString& name, const char* notFound) const;

    std::vector<FieldRecord> records_;
};
