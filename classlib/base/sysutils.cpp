#include "classlib/base/sysutils.h"

#include <charconv>
#include <string>

std::int32_t StrToIntDef(const AnsiString& text, std::int32_t defaultValue)
{
    const std::string& bytes = text.Bytes();
    const char* first = bytes.data();
    const char* last = first + bytes.size();
    while (first != last && *first == ' ')
        ++first;
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last ? value : defaultValue;
}

AnsiString IntToStr(std::int64_t value)
{
    return AnsiString(std::to_string(value));
}
