#include "classlib/base/formatsettings.h"

#include "classlib/base/formatdatetime.h"
#include "classlib/base/formatfloat.h"

#include <gtest/gtest.h>

#include "support/tempfolder.h"

#include <clocale>
#include <cstdlib>
#include <string>

namespace {

TLocaleFacts Facts(const char* decimalPoint, const char* thousandsSep, const char* dateFormat, const char* timeFormat)
{
    TLocaleFacts facts;
    facts.DecimalPoint = decimalPoint;
    facts.ThousandsSep = thousandsSep;
    facts.DateFormat = dateFormat;
    facts.TimeFormat = timeFormat;
    facts.Codeset = "UTF-8";
    return facts;
}

TEST(FormatSettingsFromLocale, TranslatesSeparatorsAndFormats)
{
    const struct {
        TLocaleFacts facts;
        char decimal, thousands, dateSeparator, timeSeparator;
        const char *shortDate, *longTime, *shortTime;
    } cases[] = {
        {Facts(",", "\u202f", "%d.%m.%Y", "%T"), ',', ' ', '.', ':', "dd/mm/yyyy", "hh:nn:ss", "hh:nn"},
        {Facts(",", "\u00a0", "%d.%m.%Y", "%H:%M:%S"), ',', '\xa0', '.', ':', "dd/mm/yyyy", "hh:nn:ss", "hh:nn"},
        {Facts(".", ",", "%m/%d/%Y", "%r"), '.', ',', '/', ':', "mm/dd/yyyy", "hh:nn:ss AMPM", "hh:nn AMPM"},
        {Facts(".", "", "%F", "%R"), '.', ',', '-', ':', "yyyy/mm/dd", "hh:nn", "hh:nn"},
        {Facts("\u066b", "'", "%Ey\u5e74%m\u6708%d\u65e5", "%l.%M %p"), '.', '\'', '/', '.',
         "yy\"?\"mm\"?\"dd\"?\"", "h:nn AMPM", "h:nn AMPM"},
        {Facts("", "", "", ""), '.', ',', '/', ':', "m/d/yyyy", "h:nn:ss AMPM", "h:nn AMPM"},
    };
    for (const auto& c : cases) {
        const TFormatSettings settings = FormatSettingsFromLocale(c.facts);
        SCOPED_TRACE(c.facts.DateFormat + " " + c.facts.TimeFormat);
        EXPECT_EQ(settings.DecimalSeparator, c.decimal);
        EXPECT_EQ(settings.ThousandSeparator, c.thousands);
        EXPECT_EQ(settings.DateSeparator, c.dateSeparator);
        EXPECT_EQ(settings.TimeSeparator, c.timeSeparator);
        EXPECT_EQ(settings.ShortDateFormat, c.shortDate);
        EXPECT_EQ(settings.LongTimeFormat, c.longTime);
        EXPECT_EQ(settings.ShortTimeFormat, c.shortTime);
    }
}

TEST(FormatSettingsFromLocale, TakesNamesInWindows1251)
{
    TLocaleFacts facts = Facts(",", " ", "%d.%m.%Y", "%T");
    facts.LongMonthNames[11] = "декабря";
    facts.ShortDayNames[2] = "Вт";
    facts.PmString = "PM";
    const TFormatSettings settings = FormatSettingsFromLocale(facts);
    EXPECT_EQ(FormatDateTime("ddd d mmmm yyyy", EncodeDate(2026, 12, 8), settings).ToUtf8(), "Вт 8 декабря 2026");
    EXPECT_EQ(settings.LongMonthNames[0], "January");
}

TEST(FormatSettings, TheCLocaleGivesTheDefaults)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    const TFormatSettings settings = FormatSettingsFromLocale(CurrentLocaleFacts());
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, settings), "1,234.50");
    EXPECT_EQ(FormatDateTime("", EncodeDate(2026, 12, 8), settings), "12/8/2026");
}

// "mmmm" names the month by itself, so it takes the stand-alone form where the language has one: the Russian
// locale, compiled from the C library's sources into a private folder, gives "Март", not the genitive "марта".
TEST(FormatSettings, LongMonthNamesAreTheStandAloneForms)
{
    TTempFolder folder;
    const std::string compile = "localedef -i ru_RU -f UTF-8 " + folder.File("ru_RU.UTF-8") + " >/dev/null 2>&1";
    if (std::system(compile.c_str()) != 0)
        GTEST_SKIP() << "localedef cannot compile ru_RU (Debian package locales)";
    const char* oldPath = std::getenv("LOCPATH");
    const std::string savedPath = oldPath ? oldPath : "";
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    setenv("LOCPATH", folder.Path().c_str(), 1);
    const bool russian = std::setlocale(LC_ALL, "ru_RU.UTF-8") != nullptr;
    const TLocaleFacts facts = CurrentLocaleFacts();
    std::setlocale(LC_ALL, saved.c_str());
    if (oldPath)
        setenv("LOCPATH", savedPath.c_str(), 1);
    else
        unsetenv("LOCPATH");
    ASSERT_TRUE(russian);
    const TFormatSettings settings = FormatSettingsFromLocale(facts);
    EXPECT_EQ(FormatDateTime("d mmmm yyyy", EncodeDate(2026, 3, 8), settings).ToUtf8(), "8 Март 2026");
    EXPECT_EQ(FormatDateTime("mmm", EncodeDate(2026, 3, 8), settings).ToUtf8(), "мар");
}

} // namespace
