#include "classlib/formatsettings.h"

#include "classlib/formatdatetime.h"
#include "classlib/formatfloat.h"

#include <gtest/gtest.h>

#include <clocale>

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

} // namespace
