#include "classlib/base/ansistring.h"

#include <array>
#include <optional>

namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are the contiguous Cyrillic letters U+0410..U+044F.
// 0x98 has no character in Windows-1251 and maps to the C1 control U+0098, as the system conversion does.
constexpr std::array<char16_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

constexpr char32_t kReplacement = 0xFFFD;

// The number of continuation bytes after a lead byte and the range its first continuation byte must lie in.
// The narrowed ranges rule out overlong forms, the surrogates U+D800..U+DFFF and code points above U+10FFFF.
struct Utf8Lead {
    int extra = 0;
    int low = 0x80;
    int high = 0xBF;
};

std::optional<Utf8Lead> LeadOf(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return Utf8Lead{1, 0x80, 0xBF};
    if (lead >= 0xE0 && lead <= 0xEF)
        return Utf8Lead{2, lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF};
    if (lead >= 0xF0 && lead <= 0xF4)
        return Utf8Lead{3, lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF};
    return std::nullopt;
}

// Decodes one UTF-8 sequence starting at text[pos]; advances pos. Malformed input yields U+FFFD, once for
// each byte that cannot start or continue a well-formed sequence; the byte that breaks a sequence is read anew.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    const std::optional<Utf8Lead> form = LeadOf(lead);
    if (!form)
        return kReplacement;
    char32_t cp = lead & (0x3F >> form->extra);
    for (int i = 0; i < form->extra; ++i) {
        const int low = i == 0 ? form->low : 0x80;
        const int high = i == 0 ? form->high : 0xBF;
        if (pos >= text.size())
            return kReplacement;
        const int next = static_cast<unsigned char>(text[pos]);
        if (next < low || next > high)
            return kReplacement;
        cp = (cp << 6) | (next & 0x3F);
        ++pos;
    }
    return cp;
}

void EncodeUtf8(char32_t cp, std::string& out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

char32_t Cp1251ToUnicode(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return 0x0410 + (byte - 0xC0);
    return kUpperHalf[byte - 0x80];
}

char Cp1251FromUnicode(char32_t codePoint)
{
    if (codePoint < 0x80)
        return static_cast<char>(codePoint);
    if (codePoint >= 0x0410 && codePoint <= 0x044F)
        return static_cast<char>(0xC0 + (codePoint - 0x0410));
    for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
        if (kUpperHalf[i] == codePoint)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

AnsiString AnsiString::FromUtf8(std::string_view utf8)
{
    std::string bytes;
    bytes.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();)
        bytes += Cp1251FromUnicode(DecodeUtf8(utf8, pos));
    return AnsiString(std::move(bytes));
}

std::string AnsiString::ToUtf8() const
{
    std::string out;
    out.reserve(bytes_.size() * 2);
    for (const char byte : bytes_)
        EncodeUtf8(Cp1251ToUnicode(static_cast<unsigned char>(byte)), out);
    return out;
}
