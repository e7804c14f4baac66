#include "classlib/base/formatsettings.h"

#include "classlib/base/formatbuilder.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>

namespace {

bool IsUtf8(const std::string& codeset) { return codeset == "UTF-8" || codeset == "utf8"; }

AnsiString LocaleText(const std::string& text, const std::string& codeset)
{
    return IsUtf8(codeset) ? AnsiString::FromUtf8(text) : AnsiString(text);
}

// The one Windows-1251 byte of a locale's separator, or fallback when it has none.
char SeparatorByte(const std::string& text, const std::string& codeset, char fallback)
{
    const AnsiString converted = LocaleText(text, codeset);
    if (converted.Length() != 1 || (converted.Bytes()[0] == '?' && text != "?"))
        return fallback;
    return converted.Bytes()[0];
}

// Translates a strftime format into the language of FormatDateTime. The first of the given separator
// characters met outside a conversion becomes the settings' separator and is written as marker.
class StrftimeTranslation {
public:
    StrftimeTranslation(const char* separators, char marker) : out_(separators, marker) {}

    AnsiString Translate(const std::string& format)
    {
        Append(format, 0);
        return out_.Text();
    }
    char Separator(char fallback) const { return out_.Separator(fallback); }

private:
    void Append(const std::string& format, int depth)
    {
        for (std::size_t i = 0; i < format.size(); ++i) {
            if (format[i] != '%' || i + 1 == format.size()) {
                out_.AppendLiteral(format[i]);
                continue;
            }
            char conversion = format[++i];
            while ((conversion == 'E' || conversion == 'O') && i + 1 < format.size())
                conversion = format[++i];
            AppendConversion(conversion, depth);
        }
    }

    void AppendConversion(char conversion, int depth)
    {
        static constexpr struct {
            char conversion;
            const char* translation;
        } kDirect[] = {{'d', "dd"},   {'e', "d"},  {'m', "mm"},   {'y', "yy"},   {'Y', "yyyy"}, {'b', "mmm"},
                       {'h', "mmm"},  {'B', "mmmm"}, {'a', "ddd"}, {'A', "dddd"}, {'H', "hh"},   {'k', "h"},
                       {'I', "hh"},   {'l', "h"},  {'M', "nn"},   {'S', "ss"},   {'p', "AMPM"}, {'P', "ampm"}};
        static constexpr struct {
            char conversion;
            const char* format;
        } kComposite[] = {{'T', "%H:%M:%S"}, {'R', "%H:%M"}, {'r', "%I:%M:%S %p"}, {'D', "%m/%d/%y"},
                          {'F', "%Y-%m-%d"}};
        for (const auto& direct : kDirect)
            if (direct.conversion == conversion)
                out_.Append(direct.translation);
        for (const auto& composite : kComposite)
            if (composite.conversion == conversion && depth == 0)
                Append(composite.format, depth + 1);
        if (conversion == 'n' || conversion == 't')
            out_.Append(" ");
        if (conversion == '%')
            out_.AppendLiteral('%');
    }

    TFormatBuilder out_;
};

bool IsPlainCLocale(const char* name)
{
    return !name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 || std::strncmp(name, "C.", 2) == 0;
}

template <std::size_t N>
void TakeNames(std::array<AnsiString, N>& names, const std::array<std::string, N>& localeNames,
               const std::string& codeset)
{
    for (std::size_t i = 0; i < N; ++i)
        if (!localeNames[i].empty())
            names[i] = LocaleText(localeNames[i], codeset);
}

// The short time: the long one without its seconds.
AnsiString WithoutSeconds(const AnsiString& longTime)
{
    std::string format = longTime.Bytes();
    const std::size_t seconds = format.find(":ss");
    if (seconds != std::string::npos)
        format.erase(seconds, 3);
    return AnsiString(format);
}

void TakeDateFormats(TFormatSettings& settings, const TLocaleFacts& facts)
{
    if (!facts.DateFormat.empty()) {
        StrftimeTranslation date("/.-", '/');
        settings.ShortDateFormat = date.Translate(LocaleText(facts.DateFormat, facts.Codeset).Bytes());
        settings.DateSeparator = date.Separator(settings.DateSeparator);
    }
    if (!facts.TimeFormat.empty()) {
        StrftimeTranslation time(":.", ':');
        settings.LongTimeFormat = time.Translate(LocaleText(facts.TimeFormat, facts.Codeset).Bytes());
        settings.TimeSeparator = time.Separator(settings.TimeSeparator);
        settings.ShortTimeFormat = WithoutSeconds(settings.LongTimeFormat);
    }
}

std::string Text(const char* text) { return text ? text : ""; }

// A month named by itself, as "mmmm" names it: the stand-alone form where the language has one apart from the
// form inside a date (Russian "Март" beside "8 марта"), else the locale's one name.
std::string StandAloneMonthName(int month)
{
    const std::string standAlone = Text(nl_langinfo(static_cast<nl_item>(ALTMON_1 + month)));
    return standAlone.empty() ? Text(nl_langinfo(static_cast<nl_item>(MON_1 + month))) : standAlone;
}

} // namespace

TFormatSettings FormatSettingsFromLocale(const TLocaleFacts& facts)
{
    TFormatSettings settings;
    settings.DecimalSeparator = SeparatorByte(facts.DecimalPoint, facts.Codeset, settings.DecimalSeparator);
    if (!facts.ThousandsSep.empty())
        settings.ThousandSeparator = SeparatorByte(facts.ThousandsSep, facts.Codeset, ' ');
    TakeDateFormats(settings, facts);
    if (!facts.AmString.empty())
        settings.TimeAMString = LocaleText(facts.AmString, facts.Codeset);
    if (!facts.PmString.empty())
        settings.TimePMString = LocaleText(facts.PmString, facts.Codeset);
    TakeNames(settings.ShortMonthNames, facts.ShortMonthNames, facts.Codeset);
    TakeNames(settings.LongMonthNames, facts.LongMonthNames, facts.Codeset);
    TakeNames(settings.ShortDayNames, facts.ShortDayNames, facts.Codeset);
    TakeNames(settings.LongDayNames, facts.LongDayNames, facts.Codeset);
    return settings;
}

TLocaleFacts CurrentLocaleFacts()
{
    TLocaleFacts facts;
    const lconv* numbers = std::localeconv();
    facts.DecimalPoint = Text(numbers->decimal_point);
    facts.ThousandsSep = Text(numbers->thousands_sep);
    facts.Codeset = Text(nl_langinfo(CODESET));
    if (IsPlainCLocale(std::setlocale(LC_TIME, nullptr)))
        return facts;
    facts.DateFormat = Text(nl_langinfo(D_FMT));
    facts.TimeFormat = Text(nl_langinfo(T_FMT));
    facts.AmString = Text(nl_langinfo(AM_STR));
    facts.PmString = Text(nl_langinfo(PM_STR));
    for (int i = 0; i < 12; ++i) {
        facts.ShortMonthNames[i] = Text(nl_langinfo(ABMON_1 + i));
        facts.LongMonthNames[i] = StandAloneMonthName(i);
    }
    for (int i = 0; i < 7; ++i) {
        facts.ShortDayNames[i] = Text(nl_langinfo(ABDAY_1 + i));
        facts.LongDayNames[i] = Text(nl_langinfo(DAY_1 + i));
    }
    return facts;
}

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings = FormatSettingsFromLocale(CurrentLocaleFacts());
    return settings;
}
