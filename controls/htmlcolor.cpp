#include "controls/htmlcolor.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr int kHtmlLength = 7;

// Value of an upper-case hexadecimal digit, or -1.
int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Reads a piece from its last character towards its first; the first non-digit ends the reading and the piece is
// worth what was summed up to there ("5G" reads 0, "G5" reads 5).
int ReadPiece(std::string_view piece)
{
    int value = 0;
    int weight = 1;
    for (auto it = piece.rbegin(); it != piece.rend(); ++it) {
        const int digit = HexDigit(UpperAscii(*it));
        if (digit < 0)
            break;
        value += digit * weight;
        weight *= 16;
    }
    return value & 0xFF;
}

} // namespace

HtmlColor HtmlColor::FromText(const AnsiString& text)
{
    if (text.Length() != kHtmlLength)
        return HtmlColor{};
    const std::string_view bytes = text.Bytes();
    const int red = ReadPiece(bytes.substr(1, 2));
    const int green = ReadPiece(bytes.substr(3, 2));
    const int blue = ReadPiece(bytes.substr(5, 2));
    return HtmlColor{text, RGBColor(red, green, blue)};
}

HtmlColor HtmlColor::FromColor(TColor color)
{
    char digits[9];
    std::snprintf(digits, sizeof digits, "%06X", static_cast<std::uint32_t>(color));
    const std::string_view hex(digits);
    std::string text = "#";
    text.append(hex.substr(4, 2)).append(hex.substr(2, 2)).append(hex.substr(0, 2));
    return FromText(AnsiString(std::move(text)));
}

bool IsHtmlIgnore(const AnsiString& text)
{
    return text == AnsiString(kHtmlIgnore);
}

void HtmlColorProperty::SetText(const AnsiString& text)
{
    if (IsHtmlIgnore(text)) {
        Text = text;
        return;
    }
    const HtmlColor converted = HtmlColor::FromText(text);
    Text = converted.Text;
    Color = converted.Color;
}

void HtmlColorProperty::SetColor(TColor color)
{
    Color = color;
    if (!IsHtmlIgnore(Text))
        Text = HtmlColor::FromColor(color).Text;
}

bool HtmlColorProperty::TextGivesColor() const
{
    return !IsHtmlIgnore(Text) && HtmlColor::FromText(Text).Color == Color;
}
