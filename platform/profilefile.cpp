#include "platform/profilefile.h"

#include <algorithm>
#include <string_view>

namespace platform {

namespace {

constexpr std::string_view kBlanks = " \t\r";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";

// UTF-16 code units from pairs of bytes, and back.
std::u16string Utf16Units(std::string_view bytes, bool bigEndian)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return units;
}

std::string Utf16Bytes(std::u16string_view units, bool bigEndian)
{
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Windows-1251 from UTF-16: a character outside the code page, a pair of surrogates (a character beyond the
// 16-bit plane) or half of one becomes one '?'.
std::string AnsiFromUtf16(std::u16string_view units)
{
    std::string text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1]))
            ++i;
        text += Cp1251FromUnicode(units[i]);
    }
    return text;
}

std::u16string Utf16FromAnsi(std::string_view text)
{
    std::u16string units;
    for (const char byte : text)
        units += static_cast<char16_t>(Cp1251ToUnicode(static_cast<unsigned char>(byte)));
    return units;
}

std::string_view Trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Latin and Windows-1251 Cyrillic capitals to small letters; every other byte stays.
unsigned char FoldCase(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF))
        return static_cast<unsigned char>(c + 0x20);
    return c == 0xA8 ? 0xB8 : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return FoldCase(static_cast<unsigned char>(x)) == FoldCase(static_cast<unsigned char>(y));
    });
}

// The name of a "[name]" header line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() != '[')
        return std::nullopt;
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(text.substr(1, close - 1));
}

struct TEntry {
    std::string_view Key;
    std::string_view Value;
};

// The key and value of a "key=value" line; comments, headers and lines without '=' are none.
std::optional<TEntry> EntryOf(std::string_view line)
{
    const std::string_view text = Trim(line);
    const std::size_t equals = text.find('=');
    if (text.empty() || text.front() == ';' || text.front() == '[' || equals == std::string_view::npos)
        return std::nullopt;
    return TEntry{Trim(text.substr(0, equals)), Trim(text.substr(equals + 1))};
}

std::string_view Unquoted(std::string_view value)
{
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return quoted ? value.substr(1, value.size() - 2) : value;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool StorableSection(std::string_view section)
{
    return !Trim(section).empty() && section == Trim(section) && !HasLineBreak(section) &&
           section.find(']') == std::string_view::npos;
}

bool StorableKey(std::string_view key)
{
    return !key.empty() && key == Trim(key) && !HasLineBreak(key) && key.find('=') == std::string_view::npos &&
           key.front() != '[' && key.front() != ';';
}

} // namespace

TProfileFile::TProfileFile(std::string path) : path_(std::move(path))
{
    const TFileRead read = ReadWholeFile(path_, kMaxSize);
    if (read.Cause != FileCause::NotFound)
        loadCause_ = read.Cause;
    Parse(read.Contents);
}

void TProfileFile::Parse(const std::string& contents)
{
    const std::string_view view(contents);
    if (view.starts_with(kUtf16LittleEndianMark) || view.starts_with(kUtf16BigEndianMark)) {
        ParseUtf16(view);
        return;
    }
    std::size_t start = 0;
    if (std::string_view(contents).starts_with(kUtf8ByteOrderMark)) {
        byteOrderMark_ = kUtf8ByteOrderMark;
        start = kUtf8ByteOrderMark.size();
    }
    while (start < contents.size()) {
        const std::size_t end = contents.find('\n', start);
        if (end == std::string::npos) {
            lines_.push_back({contents.substr(start), "", ""});
            break;
        }
        const bool crlf = end > start && contents[end - 1] == '\r';
        lines_.push_back({contents.substr(start, end - start - crlf), crlf ? "\r\n" : "\n", ""});
        start = end + 1;
    }
    const auto first = std::find_if(lines_.begin(), lines_.end(), [](const TLine& l) { return !l.Ending.empty(); });
    if (first != lines_.end())
        newline_ = first->Ending;
}

// Lines end at U+000A; each keeps its stored bytes beside its text in Windows-1251.
void TProfileFile::ParseUtf16(std::string_view contents)
{
    const bool bigEndian = contents.starts_with(kUtf16BigEndianMark);
    encoding_ = bigEndian ? TEncoding::Utf16BigEndian : TEncoding::Utf16LittleEndian;
    byteOrderMark_ = contents.substr(0, 2);
    const std::string_view body = contents.substr(2);
    if (body.size() % 2 != 0)
        oddByte_ = body.substr(body.size() - 1);
    const std::u16string units = Utf16Units(body, bigEndian);
    const std::u16string_view all(units);
    std::size_t start = 0;
    while (start < all.size()) {
        const std::size_t end = all.find(u'\n', start);
        const bool last = end == std::u16string_view::npos;
        const bool crlf = !last && end > start && all[end - 1] == u'\r';
        const std::u16string_view text = all.substr(start, (last ? all.size() : end - crlf) - start);
        lines_.push_back({AnsiFromUtf16(text), last ? "" : crlf ? "\r\n" : "\n", Utf16Bytes(text, bigEndian)});
        if (last)
            break;
        start = end + 1;
    }
    const auto first = std::find_if(lines_.begin(), lines_.end(), [](const TLine& l) { return !l.Ending.empty(); });
    if (first != lines_.end())
        newline_ = first->Ending;
}

// Text in the file's own encoding.
std::string TProfileFile::Encoded(const std::string& text) const
{
    if (encoding_ == TEncoding::Bytes)
        return text;
    return Utf16Bytes(Utf16FromAnsi(text), encoding_ == TEncoding::Utf16BigEndian);
}

std::optional<std::size_t> TProfileFile::FindSection(const std::string& section) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::optional<std::string_view> name = SectionName(lines_[i].Text);
        if (name && SameName(*name, section))
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> TProfileFile::FindKey(std::size_t header, const std::string& key) const
{
    for (std::size_t i = header + 1; i < lines_.size() && !SectionName(lines_[i].Text); ++i) {
        const std::optional<TEntry> entry = EntryOf(lines_[i].Text);
        if (entry && SameName(entry->Key, key))
            return i;
    }
    return std::nullopt;
}

// After the section's last line that is not blank.
std::size_t TProfileFile::InsertPosition(std::size_t header) const
{
    std::size_t position = header + 1;
    for (std::size_t i = header + 1; i < lines_.size() && !SectionName(lines_[i].Text); ++i) {
        if (!Trim(lines_[i].Text).empty())
            position = i + 1;
    }
    return position;
}

void TProfileFile::InsertLine(std::size_t position, std::string text)
{
    if (position > 0 && lines_[position - 1].Ending.empty())
        lines_[position - 1].Ending = newline_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(position), {std::move(text), newline_, ""});
    modified_ = true;
}

void TProfileFile::SetLine(std::size_t index, std::string text)
{
    if (lines_[index].Text == text)
        return;
    lines_[index].Text = std::move(text);
    lines_[index].Stored.clear();
    modified_ = true;
}

AnsiString TProfileFile::ReadString(const AnsiString& section, const AnsiString& key,
                                    const AnsiString& defaultValue) const
{
    const std::optional<std::size_t> header = FindSection(section.Bytes());
    const std::optional<std::size_t> line = header ? FindKey(*header, key.Bytes()) : std::nullopt;
    if (!line)
        return defaultValue;
    return AnsiString(std::string(Unquoted(EntryOf(lines_[*line].Text)->Value)));
}

bool TProfileFile::WriteString(const AnsiString& section, const AnsiString& key, const AnsiString& value)
{
    if (!StorableSection(section.Bytes()) || !StorableKey(key.Bytes()) || HasLineBreak(value.Bytes()))
        return false;
    std::string text = key.Bytes() + "=" + value.Bytes();
    const std::optional<std::size_t> header = FindSection(section.Bytes());
    if (!header) {
        InsertLine(lines_.size(), "[" + section.Bytes() + "]");
        InsertLine(lines_.size(), std::move(text));
    } else if (const std::optional<std::size_t> line = FindKey(*header, key.Bytes())) {
        SetLine(*line, std::move(text));
    } else {
        InsertLine(InsertPosition(*header), std::move(text));
    }
    return true;
}

FileCause TProfileFile::UpdateFile()
{
    if (loadCause_ != FileCause::None)
        return loadCause_;
    if (!modified_)
        return FileCause::None;
    const FileCause cause = ReplaceWholeFile(path_, Text());
    if (cause == FileCause::None)
        modified_ = false;
    return cause;
}

std::string TProfileFile::Text() const
{
    std::string text = byteOrderMark_;
    for (const TLine& line : lines_)
        text += (line.Stored.empty() ? Encoded(line.Text) : line.Stored) + Encoded(line.Ending);
    return text + oddByte_;
}

} // namespace platform
