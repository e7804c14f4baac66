// The user's regional format for numbers and dates, as the number and date formatting read it.
// The process-wide settings are taken once, on first use, from the C locale the process has set
// (setlocale(LC_ALL, "") from the environment, as QApplication does); tests and the program may replace them.
#pragma once

#include "classlib/base/ansistring.h"

#include <array>

struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    // Written where a format has "/" and ":".
    char DateSeparator = '/';
    char TimeSeparator = ':';
    // Formats in the language of FormatDateTime.
    AnsiString ShortDateFormat = "m/d/yyyy";
    AnsiString LongDateFormat = "dddd, mmmm d, yyyy";
    AnsiString ShortTimeFormat = "h:nn AMPM";
    AnsiString LongTimeFormat = "h:nn:ss AMPM";
    AnsiString TimeAMString = "AM";
    AnsiString TimePMString = "PM";
    // January first; Sunday first.
    std::array<AnsiString, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<AnsiString, 12> LongMonthNames{"January", "February", "March",     "April",   "May",      "June",
                                              "July",    "August",   "September", "October", "November", "December"};
    std::array<AnsiString, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<AnsiString, 7> LongDayNames{"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
                                           "Saturday"};
};

// What the C library reports for a locale, as the locale's own (multibyte) text.
struct TLocaleFacts {
    // localeconv(): decimal_point and thousands_sep.
    std::string DecimalPoint;
    std::string ThousandsSep;
    // nl_langinfo(): D_FMT and T_FMT (strftime formats), AM_STR, PM_STR, CODESET, the names of months and days;
    // the long month names are the stand-alone forms (ALTMON_n) where the locale has them.
    std::string DateFormat;
    std::string TimeFormat;
    std::string AmString;
    std::string PmString;
    std::string Codeset;
    std::array<std::string, 12> ShortMonthNames;
    std::array<std::string, 12> LongMonthNames;
    std::array<std::string, 7> ShortDayNames;
    std::array<std::string, 7> LongDayNames;
};

// The settings a locale gives: separators of one Windows-1251 byte, date and time formats translated from
// strftime's language. What the locale leaves empty or cannot say in one byte keeps the default above.
TFormatSettings FormatSettingsFromLocale(const TLocaleFacts& facts);
// The facts of the process's current C locale; a "C" or "POSIX" time locale gives no date formats or names.
TLocaleFacts CurrentLocaleFacts();

// The process-wide settings: read from the current locale on first use, then whatever was assigned.
// Only the GUI thread formats, so no lock guards them.
TFormatSettings& FormatSettings();
