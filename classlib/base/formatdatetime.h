// Date-times as text in the user's regional format (classlib/formatsettings.h).
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/base/datetime.h"
#include "classlib/base/formatsettings.h"

// value in a date format. Letters are read in either case:
//   d, dd           day of the month without, with a leading zero; ddd, dddd short, long day name;
//                   ddddd the short date format, dddddd the long date format
//   m, mm           month without, with a leading zero (minutes when they follow h or hh); mmm, mmmm its names
//   yy, yyyy        year in two, four digits (y counts as yy, yyy as yyyy)
//   h, hh           hour, 0-23, or 1-12 when the format holds a 12-hour marker
//   n, nn, s, ss    minute, second; z, zzz millisecond without, with leading zeros
//   t, tt           the short, long time format
//   am/pm, a/p      12-hour clock with the marker in the format's letter case; ampm the settings' AM/PM texts
//   c               the short date format, then a blank and the long time format unless the time is midnight
//   / and :         the date and time separators
//   '…' and "…"     copied as they are (an unmatched quote runs to the end); other characters copied.
// An empty format means "c". EConvertError when value is not finite or outside the years 1 to 9999.
AnsiString FormatDateTime(const AnsiString& format, TDateTime value, const TFormatSettings& settings = FormatSettings());

// The text form of a date-time: short date and long time, without the time at midnight and without the date
// on day 0 (30 December 1899), so a bare time shows as a time.
AnsiString DateTimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings());
