// Field description lines under libFuzzer: the input's lines build a field table, or the build stops with the
// duplicate-name error. Every record of a table that builds holds trimmed texts without a separator, and its
// style text gives styles or the range error.
#include "classlib/base/exception.h"
#include "controls/fieldstable.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<AnsiString> LinesOf(std::string_view text)
{
    std::vector<AnsiString> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.emplace_back(std::string(text.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckText(const AnsiString& text)
{
    Require(text == TrimDescription(text));
    Require(text.Bytes().find('|') == std::string::npos);
}

void CheckRecord(const FieldRecord& record)
{
    for (const AnsiString* text : {&record.Name, &record.Caption, &record.TypeName, &record.Format,
                                   &record.FontName, &record.FontStyle})
        CheckText(*text);
    Require(record.Alignment <= FieldRecord::taCenter);
    try {
        FontStylesOf(record.FontStyle);
        Require(record.FontStyle.Length() >= 4);
    } catch (const ERangeError&) {
        Require(record.FontStyle.Length() < 4);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<AnsiString> lines = LinesOf(std::string_view(reinterpret_cast<const char*>(data), size));
    TFieldsTable table;
    try {
        table.SetProperties(lines);
    } catch (const Exception& error) {
        Require(error.Message() == "field already exist!, (ParseString)");
        Require(table.size() < lines.size());
        return 0;
    }
    Require(table.size() == lines.size());
    for (std::uint32_t field = 0; field < table.size(); ++field) {
        CheckRecord(table[field]);
        std::uint32_t found = field + 1;
        Require(table.FindField(table[field].Name, found) && found <= field);
        table.AddValue(table[field].Name, Variant(static_cast<std::int32_t>(field)));
        Require(table.GetSizeField(found) >= 1);
    }
    return 0;
}
