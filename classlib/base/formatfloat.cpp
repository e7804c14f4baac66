#include "classlib/base/formatfloat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int kSignificantDigits = 15;
constexpr int kMaxFixedIntegerDigits = 18;
constexpr int kMaxExponentDigits = 4;

// A magnitude as 0.d1d2…dn × 10^Exponent; Digits has no trailing zeros and is empty for zero.
struct DecimalDigits {
    std::string Digits;
    int Exponent = 0;

    bool IsZero() const { return Digits.empty(); }

    void TrimTrailingZeros()
    {
        while (!Digits.empty() && Digits.back() == '0')
            Digits.pop_back();
        if (Digits.empty())
            Exponent = 0;
    }

    // Keeps count digits, rounding half away from zero; count ≤ 0 keeps at most a carry into a new digit.
    void RoundToDigits(long long count)
    {
        if (count >= static_cast<long long>(Digits.size()))
            return;
        const bool up = count >= 0 && Digits[static_cast<std::size_t>(count)] >= '5';
        Digits.resize(static_cast<std::size_t>(std::max(count, 0LL)));
        if (up)
            CarryOne();
        TrimTrailingZeros();
    }

private:
    void CarryOne()
    {
        while (!Digits.empty() && Digits.back() == '9')
            Digits.pop_back();
        if (Digits.empty()) {
            Digits = "1";
            ++Exponent;
        } else {
            ++Digits.back();
        }
    }
};

// The first 15 significant digits of a finite magnitude.
DecimalDigits ToDecimal(double magnitude)
{
    DecimalDigits result;
    if (magnitude == 0)
        return result;
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific,
                                   kSignificantDigits - 1).ptr;
    // text: d.dddddddddddddde±x…
    result.Digits.assign(1, text[0]);
    result.Digits.append(text + 2, text + 1 + kSignificantDigits);
    const char* exponent = text + 2 + kSignificantDigits;
    if (*exponent == '+')
        ++exponent;
    std::from_chars(exponent, end, result.Exponent);
    ++result.Exponent;
    result.TrimTrailingZeros();
    return result;
}

AnsiString NotFinite(double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string GeneralExponentForm(const DecimalDigits& number, char decimalSeparator)
{
    std::string text(1, number.Digits[0]);
    if (number.Digits.size() > 1)
        text += decimalSeparator + number.Digits.substr(1);
    return text + 'E' + std::to_string(number.Exponent - 1);
}

std::string GeneralFixedForm(const DecimalDigits& number, char decimalSeparator)
{
    if (number.Exponent <= 0)
        return std::string("0") + decimalSeparator + std::string(static_cast<std::size_t>(-number.Exponent), '0') +
               number.Digits;
    const auto integerDigits = static_cast<std::size_t>(number.Exponent);
    std::string text = number.Digits.substr(0, integerDigits);
    text.append(integerDigits - text.size(), '0');
    if (number.Digits.size() > integerDigits)
        text += decimalSeparator + number.Digits.substr(integerDigits);
    return text;
}

// ---- format sections ----

bool IsQuote(char c) { return c == '\'' || c == '"'; }

// Index of the quote that closes the quoted text opening at i, or the end of the text when none does.
std::size_t ClosingQuote(const std::string& text, std::size_t i)
{
    return std::min(text.find(text[i], i + 1), text.size());
}

std::size_t SkipQuoted(const std::string& text, std::size_t i)
{
    return std::min(ClosingQuote(text, i) + 1, text.size());
}

std::vector<std::string> SplitSections(const std::string& format)
{
    std::vector<std::string> sections(1);
    for (std::size_t i = 0; i < format.size() && sections.size() <= 3;) {
        if (IsQuote(format[i])) {
            const std::size_t next = SkipQuoted(format, i);
            sections.back().append(format, i, next - i);
            i = next;
        } else if (format[i] == ';') {
            sections.emplace_back();
            ++i;
        } else {
            sections.back() += format[i++];
        }
    }
    sections.resize(std::min<std::size_t>(sections.size(), 3));
    return sections;
}

bool IsExponentAt(const std::string& section, std::size_t i)
{
    return (section[i] == 'E' || section[i] == 'e') && i + 1 < section.size() &&
           (section[i + 1] == '+' || section[i + 1] == '-');
}

// Number of "0" after an exponent sign at i (at most four).
std::size_t ExponentZeros(const std::string& section, std::size_t i)
{
    std::size_t zeros = 0;
    while (zeros < kMaxExponentDigits && i + zeros < section.size() && section[i + zeros] == '0')
        ++zeros;
    return zeros;
}

// What a section asks for, gathered in one pass.
struct SectionLayout {
    int IntegerPlaceholders = 0;
    int MinIntegerDigits = 0;
    long long FractionPlaceholders = 0;
    long long MinFractionDigits = 0;
    bool HasPoint = false;
    bool Thousands = false;
    bool Scientific = false;

    explicit SectionLayout(const std::string& section)
    {
        int firstIntegerZero = -1;
        for (std::size_t i = 0; i < section.size();) {
            const char c = section[i];
            if (IsQuote(c)) {
                i = SkipQuoted(section, i);
                continue;
            }
            if (IsExponentAt(section, i)) {
                Scientific = true;
                break;
            }
            if ((c == '0' || c == '#') && !HasPoint) {
                if (c == '0' && firstIntegerZero < 0)
                    firstIntegerZero = IntegerPlaceholders;
                ++IntegerPlaceholders;
            } else if (c == '0' || c == '#') {
                ++FractionPlaceholders;
                if (c == '0')
                    MinFractionDigits = FractionPlaceholders;
            }
            HasPoint = HasPoint || c == '.';
            Thousands = Thousands || c == ',';
            ++i;
        }
        MinIntegerDigits = firstIntegerZero < 0 ? 0 : IntegerPlaceholders - firstIntegerZero;
    }
};

// The digits a section writes: integer part, fraction part, exponent.
struct RenderedDigits {
    std::string Integer;
    std::string Fraction;
    long long Exponent = 0;
    bool Zero = false;
    bool TooLarge = false;
};

void PadDigits(RenderedDigits& digits, const SectionLayout& layout)
{
    if (digits.Integer.size() < static_cast<std::size_t>(layout.MinIntegerDigits))
        digits.Integer.insert(0, layout.MinIntegerDigits - digits.Integer.size(), '0');
    if (digits.Fraction.size() < static_cast<std::size_t>(layout.MinFractionDigits))
        digits.Fraction.append(static_cast<std::size_t>(layout.MinFractionDigits) - digits.Fraction.size(), '0');
}

RenderedDigits FixedDigits(double magnitude, const SectionLayout& layout)
{
    DecimalDigits number = ToDecimal(magnitude);
    number.RoundToDigits(number.Exponent + layout.FractionPlaceholders);
    RenderedDigits digits;
    digits.Zero = number.IsZero();
    digits.TooLarge = number.Exponent > kMaxFixedIntegerDigits;
    if (number.Exponent > 0) {
        digits.Integer = number.Digits.substr(0, static_cast<std::size_t>(number.Exponent));
        digits.Integer.append(static_cast<std::size_t>(number.Exponent) - digits.Integer.size(), '0');
        if (number.Digits.size() > digits.Integer.size())
            digits.Fraction = number.Digits.substr(digits.Integer.size());
    } else if (!digits.Zero) {
        digits.Fraction = std::string(static_cast<std::size_t>(-number.Exponent), '0') + number.Digits;
    }
    PadDigits(digits, layout);
    return digits;
}

RenderedDigits ScientificDigits(double magnitude, const SectionLayout& layout)
{
    DecimalDigits number = ToDecimal(magnitude);
    number.RoundToDigits(std::max(layout.IntegerPlaceholders + layout.FractionPlaceholders, 1LL));
    RenderedDigits digits;
    digits.Zero = number.IsZero();
    // A zero mantissa still shows one integer digit where the section has a place for one.
    if (digits.Zero && layout.IntegerPlaceholders > 0)
        digits.Integer = "0";
    if (!digits.Zero) {
        const auto integerDigits = static_cast<std::size_t>(layout.IntegerPlaceholders);
        digits.Integer = number.Digits.substr(0, integerDigits);
        digits.Integer.append(integerDigits - digits.Integer.size(), '0');
        if (number.Digits.size() > integerDigits)
            digits.Fraction = number.Digits.substr(integerDigits);
        digits.Exponent = number.Exponent - layout.IntegerPlaceholders;
    }
    PadDigits(digits, layout);
    return digits;
}

// Walks a section a second time and writes it with the digits in their places.
class SectionWriter {
public:
    SectionWriter(const SectionLayout& layout, const RenderedDigits& digits, const TFormatSettings& settings)
        : layout_(layout), digits_(digits), settings_(settings)
    {
    }

    std::string Write(const std::string& section)
    {
        for (std::size_t i = 0; i < section.size();)
            i = WriteAt(section, i);
        return text_;
    }

private:
    std::size_t WriteAt(const std::string& section, std::size_t i)
    {
        const char c = section[i];
        if (IsQuote(c)) {
            text_.append(section, i + 1, ClosingQuote(section, i) - i - 1);
            return SkipQuoted(section, i);
        }
        if (exponentWritten_) {
            text_ += c;
            return i + 1;
        }
        if (IsExponentAt(section, i))
            return WriteExponent(section, i);
        if (c == '0' || c == '#')
            pointSeen_ ? WriteFractionDigit() : WriteIntegerPlaceholder();
        else if (c == '.')
            WritePoint();
        else if (c != ',')
            text_ += c;
        return i + 1;
    }

    void WriteIntegerPlaceholder()
    {
        const std::size_t count = digits_.Integer.size();
        const std::size_t fromRight = static_cast<std::size_t>(layout_.IntegerPlaceholders - 1 - integerSeen_);
        if (integerSeen_++ == 0 && count > fromRight + 1)
            WriteIntegerDigits(0, count - fromRight - 1);
        if (fromRight < count)
            WriteIntegerDigits(count - fromRight - 1, count - fromRight);
    }

    void WriteIntegerDigits(std::size_t first, std::size_t last)
    {
        const std::size_t count = digits_.Integer.size();
        for (std::size_t i = first; i < last; ++i) {
            text_ += digits_.Integer[i];
            const std::size_t fromRight = count - 1 - i;
            if (layout_.Thousands && fromRight > 0 && fromRight % 3 == 0)
                text_ += settings_.ThousandSeparator;
        }
    }

    // Integer digits without a placeholder of their own stand at the point, in a section that has digits.
    void WritePoint()
    {
        if (pointSeen_)
            return;
        if (layout_.IntegerPlaceholders == 0 && layout_.FractionPlaceholders > 0)
            WriteIntegerDigits(0, digits_.Integer.size());
        pointSeen_ = true;
        if (!digits_.Fraction.empty())
            text_ += settings_.DecimalSeparator;
    }

    void WriteFractionDigit()
    {
        if (fractionSeen_ < digits_.Fraction.size())
            text_ += digits_.Fraction[fractionSeen_];
        ++fractionSeen_;
    }

    std::size_t WriteExponent(const std::string& section, std::size_t i)
    {
        if (!pointSeen_ && layout_.IntegerPlaceholders == 0)
            WriteIntegerDigits(0, digits_.Integer.size());
        pointSeen_ = true;
        exponentWritten_ = true;
        text_ += section[i];
        if (digits_.Exponent < 0)
            text_ += '-';
        else if (section[i + 1] == '+')
            text_ += '+';
        const std::size_t zeros = ExponentZeros(section, i + 2);
        const std::string exponent = std::to_string(digits_.Exponent < 0 ? -digits_.Exponent : digits_.Exponent);
        if (exponent.size() < zeros)
            text_.append(zeros - exponent.size(), '0');
        text_ += exponent;
        return i + 2 + zeros;
    }

    const SectionLayout& layout_;
    const RenderedDigits& digits_;
    const TFormatSettings& settings_;
    std::string text_;
    int integerSeen_ = 0;
    std::size_t fractionSeen_ = 0;
    bool pointSeen_ = false;
    bool exponentWritten_ = false;
};

// The text of magnitude in section; nothing when it rounds to zero or is too large for the section.
bool WriteSection(const std::string& section, double magnitude, const TFormatSettings& settings, std::string& text)
{
    const SectionLayout layout(section);
    const RenderedDigits digits =
        layout.Scientific ? ScientificDigits(magnitude, layout) : FixedDigits(magnitude, layout);
    if ((digits.Zero && magnitude != 0) || digits.TooLarge)
        return false;
    text = SectionWriter(layout, digits, settings).Write(section);
    return true;
}

// Whether the section shows the number's digits: a sign without them would stand alone.
bool WritesDigits(const std::string& section)
{
    const SectionLayout layout(section);
    return layout.IntegerPlaceholders > 0 || layout.FractionPlaceholders > 0 || layout.Scientific;
}

const std::string& ZeroSection(const std::vector<std::string>& sections)
{
    return sections.size() >= 3 && !sections[2].empty() ? sections[2] : sections[0];
}

// Appends the decimal digits from bytes[i] on (before end) to number and moves i past them; gives their count.
std::size_t AppendDigits(const std::string& bytes, std::size_t& i, std::size_t end, std::string& number)
{
    const std::size_t first = i;
    while (i < end && bytes[i] >= '0' && bytes[i] <= '9')
        number += bytes[i++];
    return i - first;
}

} // namespace

AnsiString FloatToStr(double value, const TFormatSettings& settings)
{
    if (!std::isfinite(value))
        return NotFinite(value);
    const DecimalDigits number = ToDecimal(std::fabs(value));
    if (number.IsZero())
        return "0";
    const std::string sign = value < 0 ? "-" : "";
    if (number.Exponent > kSignificantDigits || number.Exponent < -4)
        return AnsiString(sign + GeneralExponentForm(number, settings.DecimalSeparator));
    return AnsiString(sign + GeneralFixedForm(number, settings.DecimalSeparator));
}

AnsiString FormatFloat(const AnsiString& format, double value, const TFormatSettings& settings)
{
    const std::vector<std::string> sections = SplitSections(format.Bytes());
    if (!std::isfinite(value) || sections[0].empty())
        return FloatToStr(value, settings);
    const bool negativeSection = value < 0 && sections.size() >= 2 && !sections[1].empty();
    const std::string& section = value == 0 ? ZeroSection(sections) : negativeSection ? sections[1] : sections[0];
    std::string text;
    if (WriteSection(section, std::fabs(value), settings, text))
        return AnsiString((value < 0 && !negativeSection && WritesDigits(section) ? "-" : "") + text);
    if (ToDecimal(std::fabs(value)).Exponent > kMaxFixedIntegerDigits)
        return FloatToStr(value, settings);
    WriteSection(ZeroSection(sections), 0, settings, text);
    return AnsiString(text);
}

double StrToFloatDef(const AnsiString& text, double defaultValue, const TFormatSettings& settings)
{
    const std::string& bytes = text.Bytes();
    const std::size_t first = bytes.find_first_not_of(' ');
    if (first == std::string::npos)
        return defaultValue;
    const std::size_t end = bytes.find_last_not_of(' ') + 1;
    std::size_t i = first;
    std::string number;
    if (bytes[i] == '+' || bytes[i] == '-')
        number += bytes[i++] == '-' ? "-" : "";
    std::size_t digits = AppendDigits(bytes, i, end, number);
    if (i < end && bytes[i] == settings.DecimalSeparator) {
        number += '.';
        digits += AppendDigits(bytes, ++i, end, number);
    }
    if (digits == 0)
        return defaultValue;
    if (i < end && (bytes[i] == 'e' || bytes[i] == 'E')) {
        number += 'e';
        if (++i < end && (bytes[i] == '+' || bytes[i] == '-'))
            number += bytes[i++];
        if (AppendDigits(bytes, i, end, number) == 0)
            return defaultValue;
    }
    double value = 0;
    const auto [last, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    return i == end && error == std::errc() ? value : defaultValue;
}
