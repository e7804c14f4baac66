#include "classlib/base/formatdatetime.h"

#include "classlib/base/exception.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

// A format may name the settings' formats ("c", "t", "ddddd" …); names inside those are left out, so a
// settings format that names itself neither recurses nor multiplies the text.
constexpr int kMaxNesting = 1;
// The longest run of one letter that any specifier takes ("dddddd"); longer runs are never counted further.
constexpr std::size_t kLongestSpecifier = 6;

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool StartsWithNoCase(const std::string& text, std::size_t i, std::string_view word)
{
    if (text.size() - i < word.size())
        return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (Lower(text[i + k]) != word[k])
            return false;
    return true;
}

std::size_t ClosingQuote(const std::string& text, std::size_t i)
{
    return std::min(text.find(text[i], i + 1), text.size());
}

bool IsQuote(char c) { return c == '\'' || c == '"'; }

// Whether the format (outside quoted text) holds a 12-hour marker.
bool HasTwelveHourMarker(const std::string& format)
{
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (IsQuote(format[i]))
            i = ClosingQuote(format, i);
        else if (StartsWithNoCase(format, i, "am/pm") || StartsWithNoCase(format, i, "a/p") ||
                 StartsWithNoCase(format, i, "ampm"))
            return true;
    }
    return false;
}

std::string Number(int value, std::size_t minDigits)
{
    std::string digits = std::to_string(value);
    if (digits.size() < minDigits)
        digits.insert(0, minDigits - digits.size(), '0');
    return digits;
}

class DateTimeWriter {
public:
    DateTimeWriter(const TDateTimeParts& parts, const TFormatSettings& settings) : parts_(parts), settings_(settings) {}

    void Write(const AnsiString& format, int depth)
    {
        if (depth > kMaxNesting)
            return;
        const std::string& bytes = format.Bytes();
        const bool twelveHour = HasTwelveHourMarker(bytes);
        for (std::size_t i = 0; i < bytes.size();)
            i = WriteAt(bytes, i, twelveHour, depth);
    }

    void WriteDefault(int depth)
    {
        if (depth >= kMaxNesting)
            return;
        Write(settings_.ShortDateFormat, depth + 1);
        if (!IsMidnight()) {
            text_ += ' ';
            Write(settings_.LongTimeFormat, depth + 1);
        }
    }

    bool IsMidnight() const
    {
        return parts_.Hour == 0 && parts_.Minute == 0 && parts_.Second == 0 && parts_.Millisecond == 0;
    }

    AnsiString Text() const { return AnsiString(text_); }

private:
    std::size_t WriteAt(const std::string& format, std::size_t i, bool twelveHour, int depth)
    {
        const char c = Lower(format[i]);
        if (IsQuote(format[i])) {
            const std::size_t close = ClosingQuote(format, i);
            text_.append(format, i + 1, close - i - 1);
            return std::min(close + 1, format.size());
        }
        if (c == 'a')
            return WriteMarker(format, i);
        const std::size_t run = RunLength(format, i);
        switch (c) {
        case 'd': return WriteDay(i, run, depth);
        case 'm': return afterHour_ ? WriteMinute(i, run) : WriteMonth(i, run);
        case 'y': return WriteYear(i, run);
        case 'h': return WriteHour(i, run, twelveHour);
        case 'n': return WriteMinute(i, run);
        case 's': return WriteSecond(i, run);
        case 'z': return WriteMillisecond(i, run);
        case 't': return WriteTime(i, run, depth);
        case 'c': WriteDefault(depth); return Put("", i + 1);
        case '/': text_ += settings_.DateSeparator; return i + 1;
        case ':': text_ += settings_.TimeSeparator; return i + 1;
        default: text_ += format[i]; return i + 1;
        }
    }

    // The run of the letter at i, counted up to the longest specifier, so that writing a format takes time in
    // proportion to its length however long its runs are.
    static std::size_t RunLength(const std::string& format, std::size_t i)
    {
        const std::size_t limit = std::min(format.size(), i + kLongestSpecifier);
        std::size_t end = i;
        while (end < limit && Lower(format[end]) == Lower(format[i]))
            ++end;
        return end - i;
    }

    // Appends text after a specifier that is not an hour and gives the index past it.
    std::size_t Put(const std::string& text, std::size_t next)
    {
        text_ += text;
        afterHour_ = false;
        return next;
    }

    std::size_t WriteDay(std::size_t i, std::size_t run, int depth)
    {
        const std::size_t taken = std::min<std::size_t>(run, 6);
        if (taken == 5 || taken == 6) {
            Write(taken == 5 ? settings_.ShortDateFormat : settings_.LongDateFormat, depth + 1);
            return Put("", i + taken);
        }
        if (taken >= 3)
            return Put((taken == 3 ? settings_.ShortDayNames : settings_.LongDayNames)[parts_.DayOfWeek - 1].Bytes(),
                       i + taken);
        return Put(Number(parts_.Day, taken), i + taken);
    }

    std::size_t WriteMonth(std::size_t i, std::size_t run)
    {
        const std::size_t taken = std::min<std::size_t>(run, 4);
        if (taken >= 3)
            return Put((taken == 3 ? settings_.ShortMonthNames : settings_.LongMonthNames)[parts_.Month - 1].Bytes(),
                       i + taken);
        return Put(Number(parts_.Month, taken), i + taken);
    }

    std::size_t WriteYear(std::size_t i, std::size_t run)
    {
        const std::size_t taken = std::min<std::size_t>(run, 4);
        return Put(taken <= 2 ? Number(parts_.Year % 100, 2) : Number(parts_.Year, 4), i + taken);
    }

    std::size_t WriteHour(std::size_t i, std::size_t run, bool twelveHour)
    {
        const std::size_t taken = std::min<std::size_t>(run, 2);
        int hour = parts_.Hour;
        if (twelveHour)
            hour = hour % 12 == 0 ? 12 : hour % 12;
        text_ += Number(hour, taken);
        afterHour_ = true;
        return i + taken;
    }

    std::size_t WriteMinute(std::size_t i, std::size_t run)
    {
        const std::size_t taken = std::min<std::size_t>(run, 2);
        return Put(Number(parts_.Minute, taken), i + taken);
    }

    std::size_t WriteSecond(std::size_t i, std::size_t run)
    {
        const std::size_t taken = std::min<std::size_t>(run, 2);
        return Put(Number(parts_.Second, taken), i + taken);
    }

    std::size_t WriteMillisecond(std::size_t i, std::size_t run)
    {
        const std::size_t taken = std::min<std::size_t>(run, 3);
        return Put(Number(parts_.Millisecond, taken == 3 ? 3 : 1), i + taken);
    }

    std::size_t WriteTime(std::size_t i, std::size_t run, int depth)
    {
        const std::size_t taken = std::min<std::size_t>(run, 2);
        Write(taken == 1 ? settings_.ShortTimeFormat : settings_.LongTimeFormat, depth + 1);
        return Put("", i + taken);
    }

    // "am/pm" and "a/p" in the letter case the format gives them, "ampm" as the settings' texts.
    std::size_t WriteMarker(const std::string& format, std::size_t i)
    {
        const bool morning = parts_.Hour < 12;
        if (StartsWithNoCase(format, i, "am/pm"))
            return Put(format.substr(morning ? i : i + 3, 2), i + 5);
        if (StartsWithNoCase(format, i, "a/p"))
            return Put(std::string(1, format[morning ? i : i + 2]), i + 3);
        if (StartsWithNoCase(format, i, "ampm"))
            return Put((morning ? settings_.TimeAMString : settings_.TimePMString).Bytes(), i + 4);
        text_ += format[i];
        return i + 1;
    }

    const TDateTimeParts& parts_;
    const TFormatSettings& settings_;
    std::string text_;
    bool afterHour_ = false;
};

TDateTimeParts Decoded(TDateTime value)
{
    TDateTimeParts parts;
    if (!DecodeDateTime(value, parts))
        throw EConvertError("Not a date and time between the years 1 and 9999");
    return parts;
}

} // namespace

AnsiString FormatDateTime(const AnsiString& format, TDateTime value, const TFormatSettings& settings)
{
    const TDateTimeParts parts = Decoded(value);
    DateTimeWriter writer(parts, settings);
    if (format.IsEmpty())
        writer.WriteDefault(0);
    else
        writer.Write(format, 0);
    return writer.Text();
}

AnsiString DateTimeToStr(TDateTime value, const TFormatSettings& settings)
{
    const TDateTimeParts parts = Decoded(value);
    DateTimeWriter writer(parts, settings);
    if (parts.DayNumber == 0)
        writer.Write(settings.LongTimeFormat, 0);
    else
        writer.WriteDefault(0);
    return writer.Text();
}
