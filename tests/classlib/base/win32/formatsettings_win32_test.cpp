#include "classlib/base/formatsettings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

struct TExpected {
    const char* locale;
    char decimal;
    char thousand;
    char dateSeparator;
    const char* shortDate;
    const char* longTime;
    const char* shortTime;
    const char* firstMonth; // Windows-1251, in small letters
    const char* sunday;     // the first of the days, in small letters
};

// What the user's locale gives, for the locales the Wine tests run under (wine-tests.sh), from Wine's
// locale data (Windows writes some names with a capital, and the Russian hours as "H").
const TExpected kLocales[] = {
    {"en-US", '.', ',', '/', "m/d/yyyy", "h:nn:ss AMPM", "h:nn AMPM", "january", "sunday"},
    {"ru-RU", ',', '\xA0', '.', "dd/mm/yyyy", "hh:nn:ss", "hh:nn", "\xFF\xED\xE2\xE0\xF0\xFC",
     "\xE2\xEE\xF1\xEA\xF0\xE5\xF1\xE5\xED\xFC\xE5"},
    {"de-DE", ',', '.', '.', "d/m/yyyy", "hh:nn:ss", "hh:nn", "januar", "sonntag"},
};

// Latin and Windows-1251 Cyrillic capitals to small letters.
std::string Small(std::string text)
{
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDF))
            c = static_cast<char>(byte + 0x20);
    }
    return text;
}

std::string UserLocale()
{
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    const int length = ::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return length > 1 ? std::string(name, name + length - 1) : std::string();
}

TEST(Win32FormatSettings, TheUserLocaleGivesSeparatorsFormatsAndNames)
{
    const std::string locale = UserLocale();
    const TExpected* expected = nullptr;
    for (const auto& candidate : kLocales)
        if (locale == candidate.locale)
            expected = &candidate;
    ASSERT_NE(expected, nullptr) << "no expectations for the locale " << locale;
    const TFormatSettings& settings = FormatSettings();
    EXPECT_EQ(settings.DecimalSeparator, expected->decimal);
    EXPECT_EQ(settings.ThousandSeparator, expected->thousand);
    EXPECT_EQ(settings.DateSeparator, expected->dateSeparator);
    EXPECT_EQ(settings.TimeSeparator, ':');
    EXPECT_EQ(settings.ShortDateFormat.Bytes(), expected->shortDate);
    EXPECT_EQ(settings.LongTimeFormat.Bytes(), expected->longTime);
    EXPECT_EQ(settings.ShortTimeFormat.Bytes(), expected->shortTime);
    EXPECT_EQ(Small(settings.LongMonthNames[0].Bytes()), expected->firstMonth);
    EXPECT_EQ(Small(settings.LongDayNames[0].Bytes()), expected->sunday);
}

} // namespace
