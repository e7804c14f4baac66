// The user's regional format on Windows: separators, formats and names of the user's locale
// (GetLocaleInfoEx), converted to Windows-1251, with the formats translated from the system's picture
// language ("dd.MM.yyyy", "H:mm:ss tt") into FormatDateTime's ("dd/mm/yyyy", "h:nn:ss AMPM").
#include "classlib/base/formatsettings.h"

#include "classlib/base/formatbuilder.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

constexpr UINT kCodePage = 1251;

// The locale's value, or nothing when it has none or it cannot be written in Windows-1251.
std::string LocaleValue(LCTYPE item)
{
    wchar_t wide[128];
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, wide, 128);
    if (length <= 1)
        return {};
    char bytes[256];
    BOOL lossy = FALSE;
    const int size = ::WideCharToMultiByte(kCodePage, 0, wide, length - 1, bytes, sizeof bytes, nullptr, &lossy);
    return size > 0 && !lossy ? std::string(bytes, static_cast<std::size_t>(size)) : std::string();
}

void TakeText(AnsiString& setting, LCTYPE item)
{
    const std::string value = LocaleValue(item);
    if (!value.empty())
        setting = AnsiString(value);
}

void TakeSeparator(char& setting, LCTYPE item)
{
    const std::string value = LocaleValue(item);
    if (value.size() == 1)
        setting = value[0];
}

// Translates a picture of the system's format language. The first of the given separator characters met
// outside quotes becomes the settings' separator and is written as marker; other literals are quoted.
class PictureTranslation {
public:
    PictureTranslation(const char* separators, char marker) : out_(separators, marker) {}

    AnsiString Translate(const std::string& picture)
    {
        for (std::size_t i = 0; i < picture.size();) {
            std::size_t run = 1;
            while (i + run < picture.size() && picture[i + run] == picture[i])
                ++run;
            if (picture[i] == '\'') {
                i = AppendQuoted(picture, i);
            } else {
                AppendRun(picture[i], run);
                i += run;
            }
        }
        return out_.Text();
    }
    char Separator(char fallback) const { return out_.Separator(fallback); }

private:
    void AppendRun(char c, std::size_t run)
    {
        switch (c) {
        case 'd': out_.Append(std::string(std::min<std::size_t>(run, 4), 'd')); break;
        case 'M': out_.Append(std::string(std::min<std::size_t>(run, 4), 'm')); break;
        case 'y': out_.Append(run <= 2 ? "yy" : "yyyy"); break;
        case 'g': break; // the era: FormatDateTime has none
        case 'h':
        case 'H': out_.Append(std::string(std::min<std::size_t>(run, 2), 'h')); break;
        case 'm': out_.Append(std::string(std::min<std::size_t>(run, 2), 'n')); break;
        case 's': out_.Append(std::string(std::min<std::size_t>(run, 2), 's')); break;
        case 't': out_.Append("AMPM"); break;
        default:
            for (std::size_t n = 0; n < run; ++n)
                out_.AppendLiteral(c);
        }
    }

    // 'text' as a literal; two quotes stand for one. Returns the position after the closing quote.
    std::size_t AppendQuoted(const std::string& picture, std::size_t open)
    {
        std::size_t i = open + 1;
        std::string text;
        for (; i < picture.size(); ++i) {
            if (picture[i] != '\'')
                text += picture[i];
            else if (i + 1 < picture.size() && picture[i + 1] == '\'')
                text += picture[++i];
            else
                break;
        }
        if (open + 1 == i && i < picture.size())
            text = "'";
        for (const char c : text)
            out_.AppendQuoted(c);
        return i + 1;
    }

    TFormatBuilder out_;
};

void TakeDateFormats(TFormatSettings& settings)
{
    PictureTranslation shortDate("/.-", '/');
    if (const std::string picture = LocaleValue(LOCALE_SSHORTDATE); !picture.empty()) {
        settings.ShortDateFormat = shortDate.Translate(picture);
        settings.DateSeparator = shortDate.Separator(settings.DateSeparator);
    }
    if (const std::string picture = LocaleValue(LOCALE_SLONGDATE); !picture.empty())
        settings.LongDateFormat = PictureTranslation("", '/').Translate(picture);
}

void TakeTimeFormats(TFormatSettings& settings)
{
    PictureTranslation longTime(":.", ':');
    if (const std::string picture = LocaleValue(LOCALE_STIMEFORMAT); !picture.empty()) {
        settings.LongTimeFormat = longTime.Translate(picture);
        settings.TimeSeparator = longTime.Separator(settings.TimeSeparator);
    }
    if (const std::string picture = LocaleValue(LOCALE_SSHORTTIME); !picture.empty())
        settings.ShortTimeFormat = PictureTranslation(":.", ':').Translate(picture);
}

// Windows counts the days from Monday, the settings from Sunday.
void TakeNames(TFormatSettings& settings)
{
    for (int i = 0; i < 12; ++i) {
        TakeText(settings.ShortMonthNames[i], static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + i));
        TakeText(settings.LongMonthNames[i], static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + i));
    }
    for (int i = 0; i < 7; ++i) {
        const int windowsDay = (i + 6) % 7;
        TakeText(settings.ShortDayNames[i], static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + windowsDay));
        TakeText(settings.LongDayNames[i], static_cast<LCTYPE>(LOCALE_SDAYNAME1 + windowsDay));
    }
}

TFormatSettings UserFormatSettings()
{
    TFormatSettings settings;
    TakeSeparator(settings.DecimalSeparator, LOCALE_SDECIMAL);
    TakeSeparator(settings.ThousandSeparator, LOCALE_STHOUSAND);
    TakeDateFormats(settings);
    TakeTimeFormats(settings);
    TakeText(settings.TimeAMString, LOCALE_S1159);
    TakeText(settings.TimePMString, LOCALE_S2359);
    TakeNames(settings);
    return settings;
}

} // namespace

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings = UserFormatSettings();
    return settings;
}
