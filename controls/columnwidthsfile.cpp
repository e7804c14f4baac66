#include "controls/columnwidthsfile.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <streambuf>
#include <string>

namespace {

namespace fs = std::filesystem;

fs::path PathOf(const AnsiString& fileName)
{
    return fs::u8path(fileName.ToUtf8());
}

bool IsRegularFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// Nothing there yet, or a regular file: the only places a widths file may be written.
bool MayWrite(const fs::path& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    return status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular;
}

using Traits = std::char_traits<char>;

bool IsWhiteSpace(Traits::int_type c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(Traits::int_type c)
{
    return c >= '0' && c <= '9';
}

// Skips white space; true when something other than the end of the file follows.
bool SkipWhiteSpace(std::streambuf& in)
{
    Traits::int_type c = in.sgetc();
    while (IsWhiteSpace(c))
        c = in.snextc();
    return !Traits::eq_int_type(c, Traits::eof());
}

// Skips text that reads as no number, up to the next white space.
void SkipWord(std::streambuf& in)
{
    Traits::int_type c = in.sgetc();
    while (!Traits::eq_int_type(c, Traits::eof()) && !IsWhiteSpace(c))
        c = in.snextc();
}

// An optional sign and digits at the reading position, as the next integer of the file, saturated at the ends
// of a wide range before the width limit applies; nothing, with the text skipped, when no digit follows.
std::optional<int> ReadInteger(std::streambuf& in)
{
    Traits::int_type c = in.sgetc();
    const bool negative = c == '-';
    if (c == '-' || c == '+')
        c = in.snextc();
    if (!IsDigit(c)) {
        SkipWord(in);
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    for (; IsDigit(c); c = in.snextc())
        magnitude = std::min<std::int64_t>(magnitude * 10 + (c - '0'), std::int64_t{1} << 40);
    return static_cast<int>(std::clamp<std::int64_t>(negative ? -magnitude : magnitude, 0, kMaxColumnWidth));
}

} // namespace

int LimitColumnWidth(int width)
{
    return std::clamp(width, 0, kMaxColumnWidth);
}

std::optional<std::vector<int>> LoadColumnWidths(const AnsiString& fileName, int columnCount)
{
    const fs::path path = PathOf(fileName);
    if (fileName.IsEmpty() || !IsRegularFile(path))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<int> widths;
    int width = 0;
    while (static_cast<int>(widths.size()) < columnCount && SkipWhiteSpace(*in.rdbuf())) {
        width = ReadInteger(*in.rdbuf()).value_or(width);
        widths.push_back(width);
    }
    return widths;
}

bool SaveColumnWidths(const AnsiString& fileName, const std::vector<int>& widths)
{
    const fs::path path = PathOf(fileName);
    if (fileName.IsEmpty() || !MayWrite(path))
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const int width : widths)
        out << width << '\n';
    out.close();
    return static_cast<bool>(out);
}

void DeleteColumnWidthsFile(const AnsiString& fileName)
{
    const fs::path path = PathOf(fileName);
    std::error_code error;
    if (!fileName.IsEmpty() && fs::symlink_status(path, error).type() != fs::file_type::directory)
        fs::remove(path, error);
}
