#include "controls/fieldstable.h"

#include "classlib/base/exception.h"
#include "controls/htmlcolor.h"
#include "png/pngimagelist.h"

#include <string>
#include <string_view>

namespace {

constexpr char kSeparator = '|';
constexpr int kDefaultWidth = 99;
constexpr int kDefaultFontSize = 10;

bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::optional<FieldRecord::TAlignment> AlignmentOf(const AnsiString& word)
{
    if (word == "left")
        return FieldRecord::taLeftJustify;
    if (word == "right")
        return FieldRecord::taRightJustify;
    if (word == "center")
        return FieldRecord::taCenter;
    return std::nullopt;
}

bool IntegerFlag(const AnsiString& text, bool fallBack)
{
    const std::optional<std::int32_t> value = ReadDescriptionInteger(text);
    return value ? *value != 0 : fallBack;
}

TColor HtmlColorOf(const AnsiString& text)
{
    return HtmlColor::FromText(text).Color;
}

[[noreturn]] void Raise(const char* message)
{
    throw Exception(AnsiString(message));
}

} // namespace

AnsiString TrimDescription(const AnsiString& text)
{
    const std::string& bytes = text.Bytes();
    std::size_t first = 0;
    std::size_t last = bytes.size();
    while (first < last && IsBlankOrControl(bytes[first]))
        ++first;
    while (last > first && IsBlankOrControl(bytes[last - 1]))
        --last;
    return AnsiString(bytes.substr(first, last - first));
}

std::optional<std::int32_t> ReadDescriptionInteger(const AnsiString& text)
{
    std::string_view bytes = text.Bytes();
    const bool negative = !bytes.empty() && bytes.front() == '-';
    if (!bytes.empty() && (bytes.front() == '-' || bytes.front() == '+'))
        bytes.remove_prefix(1);
    if (bytes.empty())
        return std::nullopt;
    std::int64_t magnitude = 0;
    for (const char c : bytes) {
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > std::int64_t{INT32_MAX} + 1)
            return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

void TFieldsTable::SetProperties(std::span<const AnsiString> lines)
{
    records_.clear();
    FieldRecord working;
    for (const AnsiString& line : lines) {
        ParseString(line, working);
        records_.push_back(working.DescriptionCopy());
    }
}

void TFieldsTable::ParseString(const AnsiString& line, FieldRecord& record) const
{
    const AnsiString trimmed = TrimDescription(line);
    if (trimmed.IsEmpty())
        return;
    std::size_t cursor = 0;
    const auto next = [&] { return FindNextProperties(trimmed, cursor); };
    record.Visible = IntegerFlag(next(), true);
    record.Name = next();
    std::uint32_t existing = 0;
    if (FindField(record.Name, existing))
        Raise("field already exist!, (ParseString)");
    record.Caption = next();
    record.Width = ReadDescriptionInteger(next()).value_or(kDefaultWidth);
    record.HeaderStyle = IntegerFlag(next(), false);
    record.TypeName = next();
    record.Format = next();
    record.Alignment = AlignmentOf(next()).value_or(record.Alignment);
    record.CellColor = HtmlColorOf(next());
    record.FontName = next();
    record.FontSize = ReadDescriptionInteger(next()).value_or(kDefaultFontSize);
    record.FontColor = HtmlColorOf(next());
    record.FontStyle = next();
}

AnsiString TFieldsTable::FindNextProperties(const AnsiString& line, std::size_t& cursor)
{
    const std::string& bytes = line.Bytes();
    if (cursor >= bytes.size())
        return AnsiString();
    const std::size_t separator = bytes.find(kSeparator, cursor);
    const std::size_t end = separator == std::string::npos ? bytes.size() : separator;
    const AnsiString field(bytes.substr(cursor, end - cursor));
    cursor = separator == std::string::npos ? bytes.size() : separator + 1;
    return TrimDescription(field);
}

bool TFieldsTable::FindField(const AnsiString& name, std::uint32_t& field) const
{
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].Name == name) {
            field = static_cast<std::uint32_t>(i);
            return true;
        }
    }
    return false;
}

void TFieldsTable::CheckFields(std::uint32_t field, std::int64_t valueIndex) const
{
    const auto signedField = static_cast<std::int32_t>(field);
    if (signedField < 0 || valueIndex < 0)
        Raise("ACol or ARow is out of range!, (CheckFields)");
    if (records_.empty())
        Raise("FieldsTable.size() is null!, (CheckFields)");
    if (static_cast<std::size_t>(signedField) >= records_.size())
        Raise("ACol is out of range!, (CheckFields)");
    if (static_cast<std::uint64_t>(valueIndex) >= records_[field].Items.size())
        Raise("ARow is out of range!, (CheckFields)");
}

void TFieldsTable::CheckColumn(std::uint32_t field) const
{
    const auto signedField = static_cast<std::int32_t>(field);
    if (records_.empty())
        Raise("FieldsTable.size() is null!, (CheckColumn)");
    if (signedField < 0 || static_cast<std::size_t>(signedField) >= records_.size())
        Raise("ACol is out of range!, (CheckColumn)");
}

const Variant& TFieldsTable::fGetValues(std::uint32_t field, std::int32_t row) const
{
    const std::int64_t valueIndex = std::int64_t{row} - 1;
    CheckFields(field, valueIndex);
    return records_[field].Items[static_cast<std::size_t>(valueIndex)];
}

void TFieldsTable::fSetValues(std::uint32_t field, std::int32_t row, const Variant& value)
{
    const std::int64_t valueIndex = std::int64_t{row} - 1;
    CheckFields(field, valueIndex);
    records_[field].Items[static_cast<std::size_t>(valueIndex)] = value;
}

const Variant& TFieldsTable::fGetStrValues(const AnsiString& name, std::int32_t row) const
{
    return fGetValues(FieldOf(name, "not find field, (fGetStrValues)"), row);
}

void TFieldsTable::fSetStrValues(const AnsiString& name, std::int32_t row, const Variant& value)
{
    fSetValues(FieldOf(name, "not find field, (fSetStrValues)"), row, value);
}

void TFieldsTable::AddValue(std::uint32_t field, const Variant& value)
{
    CheckColumn(field);
    records_[field].Items.push_back(value);
}

void TFieldsTable::AddValue(const AnsiString& name, const Variant& value)
{
    AddValue(FieldOf(name, "not find field, (AddValue)"), value);
}

std::int32_t TFieldsTable::GetSizeField(std::uint32_t field) const
{
    CheckColumn(field);
    return static_cast<std::int32_t>(records_[field].Items.size());
}

std::int32_t TFieldsTable::GetSizeField(const AnsiString& name) const
{
    return GetSizeField(FieldOf(name, "not find field, (SizeField)"));
}

void TFieldsTable::Clear()
{
    for (FieldRecord& record : records_)
        record.Items.clear();
}

bool TFieldsTable::IsWithoutValues() const
{
    bool anyVisible = false;
    for (const FieldRecord& record : records_)
        anyVisible = anyVisible || record.Visible;
    return !anyVisible || records_.front().Items.empty();
}

bool TFieldsTable::AssignPIL(const AnsiString& name, TPngImageList* imageList)
{
    if (!imageList)
        return false;
    const std::uint32_t field = FieldOf(name, "not find field, (AssignPIL)");
    CheckColumn(field);
    records_[field].ImageList = imageList;
    return true;
}

bool TFieldsTable::AssignEditControl(const AnsiString& name, QWidget* editControl)
{
    if (!editControl)
        return false;
    const std::uint32_t field = FieldOf(name, "not find field, (AssignEditControl)");
    CheckColumn(field);
    records_[field].EditControl = editControl;
    return true;
}

std::uint32_t TFieldsTable::FieldOf(const AnsiString& name, const char* notFound) const
{
    std::uint32_t field = 0;
    if (!FindField(name, field))
        Raise(notFound);
    return field;
}
