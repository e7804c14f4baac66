#include "controls/validaterules.h"

#include "classlib/base/ansistring.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Beyond this many decimals every digit of a double is 0 (the smallest one has 1074 decimals).
constexpr int kExactDecimals = 1100;
// "%-.*lf" with a negative precision writes the default six decimals.
constexpr int kDefaultDecimals = 6;

bool IsDigit(char key)
{
    return key >= '0' && key <= '9';
}

bool IsHexDigit(char key)
{
    return IsDigit(key) || (key >= 'a' && key <= 'f') || (key >= 'A' && key <= 'F');
}

char UpperCase(char key)
{
    return key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key;
}

char LowerCase(char key)
{
    return key >= 'A' && key <= 'Z' ? static_cast<char>(key - 'A' + 'a') : key;
}

// Blanks and control characters, as a trim removes them from both ends.
bool IsTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool Contains(std::string_view text, char c)
{
    return text.find(c) != std::string_view::npos;
}

std::string_view Selected(const TEditState& state)
{
    const std::string_view text = state.text;
    const std::size_t start = std::min<std::size_t>(std::max(state.selStart, 0), text.size());
    return text.substr(start, std::max(state.selLength, 0));
}

// A digit may not stand in front of a leading minus sign.
bool DigitBeforeSign(const TEditState& state)
{
    if (state.selStart != 0 || state.selLength != 0)
        return false;
    const std::string_view text = state.text;
    const auto first = std::find_if_not(text.begin(), text.end(), IsTrimmed);
    return first != text.end() && *first == '-';
}

bool SignAllowed(const TEditState& state)
{
    return state.selStart == 0 && (state.selLength > 0 || state.text.empty() || state.text.front() != '-');
}

bool PointAllowed(const TEditState& state)
{
    if (state.selLength > 0 && Contains(Selected(state), '.'))
        return true;
    return !Contains(state.text, '.');
}

char KeyInteger(const TValidateSettings& settings, char key, const TEditState& state)
{
    if (IsDigit(key)) {
        const bool signRejects = DigitBeforeSign(state);
        const bool rangeRejects = !ProcessRangeMode(settings, key, state.text, state.selStart);
        return signRejects || rangeRejects ? 0 : key;
    }
    return key == '-' && SignAllowed(state) ? key : 0;
}

char KeyIntegerPs(const TValidateSettings& settings, char key, const TEditState& state)
{
    return IsDigit(key) && ProcessRangeMode(settings, key, state.text, state.selStart) ? key : 0;
}

bool FloatDigitAllowed(const TValidateSettings& settings, char key, const TEditState& state)
{
    const bool decimalsReject = !ProcessMantissa(settings, state.text, state.selStart);
    const bool rangeRejects = !ProcessRangeMode(settings, key, state.text, state.selStart);
    return !decimalsReject && !rangeRejects;
}

char KeyFloat(const TValidateSettings& settings, char key, const TEditState& state)
{
    if (IsDigit(key)) {
        const bool signRejects = DigitBeforeSign(state);
        return FloatDigitAllowed(settings, key, state) && !signRejects ? key : 0;
    }
    if (key == '-')
        return SignAllowed(state) ? key : 0;
    return key == '.' && PointAllowed(state) ? key : 0;
}

char KeyFloatPs(const TValidateSettings& settings, char key, const TEditState& state)
{
    if (IsDigit(key))
        return FloatDigitAllowed(settings, key, state) ? key : 0;
    return key == '.' && PointAllowed(state) ? key : 0;
}

char KeyHex(char key)
{
    return IsHexDigit(key) ? key : 0;
}

char KeyOnlyDigits(char key)
{
    return IsDigit(key) ? key : 0;
}

// Items of the list, left to right: "x-y" is a range wherever a character follows the minus sign, any
// other character stands for itself. Codes compare as signed bytes.
char KeyCustom(const std::string& list, char key)
{
    const auto code = static_cast<signed char>(key);
    const std::size_t n = list.size();
    for (std::size_t i = 0; i < n;) {
        if (i + 2 < n && list[i + 1] == '-') {
            if (static_cast<signed char>(list[i]) <= code && code <= static_cast<signed char>(list[i + 2]))
                return key;
            i += 3;
        } else {
            if (list[i] == key)
                return key;
            i += 1;
        }
    }
    return 0;
}

std::size_t SkipDigits(std::string_view text, std::size_t at)
{
    while (at < text.size() && IsDigit(text[at]))
        ++at;
    return at;
}

// The exponent's value, held within a range that decides overflow and underflow alike.
long long SaturatedExponent(std::string_view text)
{
    constexpr long long kLimit = 1'000'000'000;
    bool negative = false;
    std::size_t at = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        ++at;
    }
    long long value = 0;
    for (; at < text.size(); ++at)
        value = std::min(kLimit, value * 10 + (text[at] - '0'));
    return negative ? -value : value;
}

// Order of magnitude of digits "int.frac": positive when the number is 1 or more.
long long Magnitude(std::string_view integerDigits, std::string_view fractionDigits)
{
    const std::size_t firstInteger = integerDigits.find_first_not_of('0');
    if (firstInteger != std::string_view::npos)
        return static_cast<long long>(integerDigits.size() - firstInteger);
    const std::size_t firstFraction = fractionDigits.find_first_not_of('0');
    return -static_cast<long long>(firstFraction == std::string_view::npos ? fractionDigits.size() : firstFraction);
}

} // namespace

bool IsNumericKind(ValidateKind kind)
{
    return kind == ValidateKind::Integer || kind == ValidateKind::IntegerPs || kind == ValidateKind::Float ||
           kind == ValidateKind::FloatPs;
}

bool IsControlChar(char key)
{
    return static_cast<unsigned char>(key) < ' ';
}

char ProcessKey(const TValidateSettings& settings, char key, const TEditState& state)
{
    if (IsControlChar(key))
        return key;
    switch (settings.kind) {
    case ValidateKind::None: return key;
    case ValidateKind::Custom: return KeyCustom(settings.validateString, key);
    case ValidateKind::Integer: return KeyInteger(settings, key, state);
    case ValidateKind::IntegerPs: return KeyIntegerPs(settings, key, state);
    case ValidateKind::Float: return KeyFloat(settings, key, state);
    case ValidateKind::FloatPs: return KeyFloatPs(settings, key, state);
    case ValidateKind::Hex: return KeyHex(key);
    case ValidateKind::HexUp: return KeyHex(UpperCase(key));
    case ValidateKind::HexLo: return KeyHex(LowerCase(key));
    case ValidateKind::OnlyDigits: return KeyOnlyDigits(key);
    }
    return key;
}

bool ProcessRangeMode(const TValidateSettings& settings, char key, std::string_view text, int caret)
{
    if (!IsNumericKind(settings.kind) || !settings.rangeMode)
        return true;
    std::string candidate(text);
    candidate.insert(std::min<std::size_t>(std::max(caret, 0), candidate.size()), 1, key);
    const double value = LeadingNumber(candidate);
    return settings.minValue <= value && value <= settings.maxValue;
}

bool ProcessMantissa(const TValidateSettings& settings, std::string_view text, int caret)
{
    if (settings.kind != ValidateKind::Float && settings.kind != ValidateKind::FloatPs)
        return true;
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos)
        return true;
    const long long p = static_cast<long long>(point) + 1;
    const long long n = static_cast<long long>(text.size());
    return !(n - p >= settings.mantissa && p <= caret);
}

double LeadingNumber(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    const std::size_t integerStart = at;
    const std::size_t integerEnd = SkipDigits(text, integerStart);
    std::size_t end = integerEnd;
    std::size_t fractionEnd = integerEnd;
    if (integerEnd < text.size() && text[integerEnd] == '.')
        fractionEnd = SkipDigits(text, integerEnd + 1);
    const bool fractionDigits = fractionEnd > integerEnd + 1;
    if (integerEnd == integerStart && !fractionDigits)
        return 0.0;
    if (fractionEnd > integerEnd)
        end = fractionEnd;
    std::string_view exponent;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t digits = end + 1;
        if (digits < text.size() && (text[digits] == '+' || text[digits] == '-'))
            ++digits;
        const std::size_t exponentEnd = SkipDigits(text, digits);
        if (exponentEnd > digits) {
            exponent = text.substr(end + 1, exponentEnd - end - 1);
            end = exponentEnd;
        }
    }
    double value = 0.0;
    const auto [last, error] = std::from_chars(text.data() + integerStart, text.data() + end, value);
    if (error == std::errc::result_out_of_range) {
        const std::string_view integer = text.substr(integerStart, integerEnd - integerStart);
        const std::string_view fraction =
            fractionEnd > integerEnd ? text.substr(integerEnd + 1, fractionEnd - integerEnd - 1) : std::string_view();
        const bool overflow = Magnitude(integer, fraction) + SaturatedExponent(exponent) > 0;
        value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

std::string FilterPaste(const TValidateSettings& settings, std::string_view pasted, const TEditState& state)
{
    std::string inserted;
    for (const char c : pasted) {
        const char passed = ProcessKey(settings, c, state);
        if (passed != 0)
            inserted += passed;
    }
    return inserted;
}

std::optional<std::string> NormalisePastedNumber(const TValidateSettings& settings, std::string_view text,
                                                 int maxLength)
{
    const double value = LeadingNumber(text);
    if (!std::isfinite(value))
        return std::nullopt;
    if (settings.rangeMode && (value < settings.minValue || value > settings.maxValue))
        return std::nullopt;
    const bool integer = settings.kind == ValidateKind::Integer || settings.kind == ValidateKind::IntegerPs;
    return FormatFixed(value, integer ? 0 : std::min(settings.mantissa, maxLength));
}

std::string FormatFixed(double value, int decimals)
{
    const int shown = decimals < 0 ? kDefaultDecimals : decimals;
    const int exact = std::min(shown, kExactDecimals);
    std::string text(static_cast<std::size_t>(std::numeric_limits<double>::max_exponent10 + 16 + exact), '\0');
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed,
                                            exact);
    if (error != std::errc())
        return std::string();
    text.resize(static_cast<std::size_t>(end - text.data()));
    text.append(static_cast<std::size_t>(shown - exact), '0');
    return text;
}

std::optional<char> AnsiCharOf(char32_t codePoint)
{
    const char byte = Cp1251FromUnicode(codePoint);
    if (byte == '?' && codePoint != U'?')
        return std::nullopt;
    return byte;
}
