#include "controls/columnwidthsfile.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

// A width line is never longer than this with its blanks; longer lines are not widths.
constexpr std::size_t kMaxLineLength = 64;

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

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// The next line without its line feed, or nothing at the end of the file. A line longer than kMaxLineLength
// is skipped to its end and comes back empty, so it never reads as a width.
std::optional<std::string> NextLine(std::istream& in)
{
    std::string line;
    char c = 0;
    while (in.get(c) && c != '\n') {
        if (line.size() == kMaxLineLength) {
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            return std::string();
        }
        line += c;
    }
    if (line.empty() && !in && c != '\n')
        return std::nullopt;
    return line;
}

// The line read as one integer, saturated at the ends of the 64-bit range before the width limit applies.
std::optional<int> WidthOf(const std::string& line)
{
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    const bool negative = i < line.size() && line[i] == '-';
    if (i < line.size() && (line[i] == '-' || line[i] == '+'))
        ++i;
    const std::size_t firstDigit = i;
    std::int64_t magnitude = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
        magnitude = std::min<std::int64_t>(magnitude * 10 + (line[i] - '0'), std::int64_t{1} << 40);
    const std::size_t lastDigit = i;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (lastDigit == firstDigit || i != line.size())
        return std::nullopt;
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, kMaxColumnWidth));
}

} // namespace

int LimitColumnWidth(int width)
{
    return std::clamp(width, 0, kMaxColumnWidth);
}

bool LoadColumnWidths(const AnsiString& fileName, std::vector<int>& widths)
{
    const fs::path path = PathOf(fileName);
    if (fileName.IsEmpty() || !IsRegularFile(path))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    int width = 0;
    for (int& column : widths) {
        if (const std::optional<std::string> line = NextLine(in))
            width = WidthOf(*line).value_or(width);
        column = width;
    }
    return true;
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
