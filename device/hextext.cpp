#include "device/hextext.h"

#include "classlib/base/exception.h"

#include <algorithm>
#include <optional>

namespace device {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

std::optional<std::uint32_t> HexDigitValue(char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    return std::nullopt;
}

} // namespace

std::int32_t HexToInt(const AnsiString& text, std::int32_t defaultValue)
{
    if (text.IsEmpty())
        return defaultValue;
    std::uint32_t value = 0;
    for (char digit : text.Bytes()) {
        const std::optional<std::uint32_t> digitValue = HexDigitValue(digit);
        if (!digitValue || value > 0x0FFFFFFFu)
            return defaultValue;
        value = value << 4 | *digitValue;
    }
    return static_cast<std::int32_t>(value);
}

AnsiString BytesToHexText(std::span<const std::uint8_t> bytes)
{
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return AnsiString(std::move(text));
}

std::size_t HexTextToBytes(const AnsiString& text, std::span<std::uint8_t> buffer)
{
    const std::string& digits = text.Bytes();
    const std::size_t count = digits.size() / 2;
    if (digits.size() % 2 != 0 || count >= buffer.size())
        throw ERangeError("Range check error");
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    for (std::size_t i = 0; i < count; ++i)
        buffer[i] = static_cast<std::uint8_t>(HexToInt(AnsiString(digits.substr(2 * i, 2)), 0));
    return count;
}

} // namespace device
