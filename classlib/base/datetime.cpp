#include "classlib/base/datetime.h"

#include "classlib/base/exception.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
constexpr int kFirstDay = -693593; // 1 January 0001
constexpr int kLastDay = 2958465;  // 31 December 9999
constexpr int kDaysBefore1970 = 25569; // from 30 December 1899 to 1 January 1970

// Days since 1 January 1970 of a Gregorian date, and back (H. Hinnant's civil calendar algorithms).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, TDateTimeParts& parts)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    parts.Day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    parts.Month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    parts.Year = static_cast<int>(yearOfEra + era * 400 + (parts.Month <= 2));
}

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

void SetTimeOfDay(std::int64_t milliseconds, TDateTimeParts& parts)
{
    parts.Millisecond = static_cast<int>(milliseconds % 1000);
    parts.Second = static_cast<int>(milliseconds / 1000 % 60);
    parts.Minute = static_cast<int>(milliseconds / 60'000 % 60);
    parts.Hour = static_cast<int>(milliseconds / 3'600'000);
}

} // namespace

bool DecodeDateTime(TDateTime value, TDateTimeParts& parts)
{
    if (!std::isfinite(value.Val) || value.Val <= kFirstDay - 1 || value.Val >= kLastDay + 1)
        return false;
    const double whole = std::trunc(value.Val);
    auto day = static_cast<std::int64_t>(whole);
    auto milliseconds = std::llround(std::fabs(value.Val - whole) * kMillisecondsPerDay);
    if (milliseconds == kMillisecondsPerDay) {
        ++day;
        milliseconds = 0;
    }
    if (day > kLastDay)
        return false;
    CivilFromDays(day - kDaysBefore1970, parts);
    SetTimeOfDay(milliseconds, parts);
    parts.DayNumber = static_cast<int>(day);
    // 30 December 1899 was a Saturday.
    parts.DayOfWeek = static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        throw EConvertError("Not a calendar date: year 1 to 9999, month 1 to 12, a day of that month");
    return TDateTime(static_cast<double>(DaysFromCivil(year, month, day) + kDaysBefore1970));
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        throw EConvertError("Not a time of day: hour 0 to 23, minute and second 0 to 59, millisecond 0 to 999");
    const std::int64_t total = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return TDateTime(static_cast<double>(total) / kMillisecondsPerDay);
}
