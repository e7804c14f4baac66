#include "classlib/base/formatdatetime.h"

#include "classlib/base/exception.h"
#include "classlib/base/formattestsettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Tuesday 8 December 2026, 09:05:03.007 and 21:45:30.
const TDateTime kMorning(EncodeDate(2026, 12, 8).Val + EncodeTime(9, 5, 3, 7).Val);
const TDateTime kEvening(EncodeDate(2026, 12, 8).Val + EncodeTime(21, 45, 30, 0).Val);

struct FormatCase {
    const char* format;
    TDateTime value;
    const char* expected;
};

void ExpectFormats(const std::vector<FormatCase>& cases, const TFormatSettings& settings)
{
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(AnsiString::FromUtf8(c.format), c.value, settings).ToUtf8(), c.expected)
            << "format \"" << c.format << "\", value " << c.value.Val;
}

TEST(FormatDateTime, DateSpecifiers)
{
    ExpectFormats({
                      {"d", kMorning, "8"},               {"dd", kMorning, "08"},
                      {"ddd", kMorning, "Tue"},           {"dddd", kMorning, "Tuesday"},
                      {"ddddd", kMorning, "12/8/2026"},   {"dddddd", kMorning, "Tuesday, December 8, 2026"},
                      {"m", kMorning, "12"},              {"mm", EncodeDate(2026, 3, 1), "03"},
                      {"mmm", kMorning, "Dec"},           {"mmmm", kMorning, "December"},
                      {"yy", kMorning, "26"},             {"yyyy", kMorning, "2026"},
                      {"y", EncodeDate(2005, 1, 1), "05"}, {"yyy", EncodeDate(5, 1, 1), "0005"},
                      {"dd.mm.yyyy", kMorning, "08.12.2026"}, {"DD/MM/YY", kMorning, "08/12/26"},
                      {"dddd d mmmm", EncodeDate(1899, 12, 30), "Saturday 30 December"},
                  },
                  TFormatSettings());
}

TEST(FormatDateTime, TimeSpecifiers)
{
    ExpectFormats({
                      {"h:n:s", kMorning, "9:5:3"},           {"hh:nn:ss", kMorning, "09:05:03"},
                      {"hh:mm", kMorning, "09:05"},           {"h mm", kEvening, "21 45"},
                      {"mm hh", kMorning, "12 09"},           {"hh:nn:ss.zzz", kMorning, "09:05:03.007"},
                      {"z", kMorning, "7"},                   {"h am/pm", kEvening, "9 pm"},
                      {"h AM/PM", kMorning, "9 AM"},          {"hh a/p", kEvening, "09 p"},
                      {"h ampm", EncodeTime(0, 30, 0, 0), "12 AM"}, {"h:nn A/P", EncodeTime(12, 0, 0, 0), "12:00 P"},
                      {"t", kEvening, "9:45 PM"},            {"tt", kEvening, "9:45:30 PM"},
                      {"hh:nn", TDateTime(-1.25), "06:00"},  {"hh:nn:ss", TDateTime(0.99999999999), "00:00:00"},
                      {"dd hh:nn", TDateTime(0.99999999999), "31 00:00"},
                  },
                  TFormatSettings());
}

TEST(FormatDateTime, DefaultFormSeparatorsAndQuotedText)
{
    ExpectFormats({
                      {"", kEvening, "08.12.2026 21:45:30"},     {"c", EncodeDate(2026, 12, 8), "08.12.2026"},
                      {"", TDateTime(0.5), "30.12.1899 12:00:00"}, {"d/m/yy", kMorning, "8.12.26"},
                      {"hh:nn", kMorning, "09:05"},              {"'dd' dd", kMorning, "dd 08"},
                      {"\"h:m\" h", kMorning, "h:m 9"},          {"yyyy 'open", kMorning, "2026 open"},
                      {"dd \u2116 q!", kMorning, "08 \u2116 q!"}, {"d 'a/p' am/pm", kMorning, "8 a/p am"},
                      {"dd \"'\"", kMorning, "08 '"},
                  },
                  RussianSettings());
}

TEST(FormatDateTime, SettingsThatNameThemselvesEndTheirNesting)
{
    TFormatSettings settings;
    settings.ShortDateFormat = "dd c";
    settings.LongTimeFormat = "tt";
    EXPECT_EQ(FormatDateTime("c", kEvening, settings), "08  ");
    EXPECT_EQ(FormatDateTime("tt|ddddd", kEvening, settings), "|08 ");
}

TEST(FormatDateTime, RefusesValuesOutsideTheCalendar)
{
    for (const double value : {2958466.0, -693594.0, 1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity()})
        EXPECT_THROW(FormatDateTime("yyyy", TDateTime(value), TFormatSettings()), EConvertError) << value;
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn", TDateTime(2958465.99), TFormatSettings()), "31.12.9999 23:45");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", TDateTime(-693593.5), TFormatSettings()), "01.01.0001");
}

TEST(DateTime, EncodeRefusesWhatNoCalendarHas)
{
    EXPECT_EQ(EncodeDate(2024, 2, 29).Val, 45351);
    EXPECT_EQ(EncodeDate(1, 1, 1).Val, -693593);
    EXPECT_EQ(EncodeTime(18, 0, 0, 0).Val, 0.75);
    const int badDates[][3] = {{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1}, {10000, 1, 1}, {2026, 13, 1}, {2026, 4, 31}};
    for (const auto& d : badDates)
        EXPECT_THROW(EncodeDate(d[0], d[1], d[2]), EConvertError) << d[0] << '-' << d[1] << '-' << d[2];
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

} // namespace
