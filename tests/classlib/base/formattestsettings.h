// Regional settings shared by the number, date and Variant tests, and a guard that puts the process-wide
// settings back after a test has replaced them.
#pragma once

#include "classlib/base/formatsettings.h"

// Settings as a Russian desktop has them: comma, blank, day.month.year, 24-hour time.
inline TFormatSettings RussianSettings()
{
    TFormatSettings settings;
    settings.DecimalSeparator = ',';
    settings.ThousandSeparator = ' ';
    settings.DateSeparator = '.';
    settings.ShortDateFormat = "dd/mm/yyyy";
    settings.LongTimeFormat = "hh:nn:ss";
    settings.ShortTimeFormat = "hh:nn";
    return settings;
}

class ScopedFormatSettings {
public:
    explicit ScopedFormatSettings(const TFormatSettings& settings) : saved_(FormatSettings())
    {
        FormatSettings() = settings;
    }
    ~ScopedFormatSettings() { FormatSettings() = saved_; }
    ScopedFormatSettings(const ScopedFormatSettings&) = delete;
    ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

private:
    TFormatSettings saved_;
};
