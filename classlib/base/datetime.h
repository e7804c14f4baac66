// A point in time as the class library keeps it: days since 30 December 1899 as a double. The whole part
// counts days (negative before that day), the absolute value of the fraction is the time of day.
#pragma once

struct TDateTime {
    constexpr TDateTime() = default;
    constexpr explicit TDateTime(double value) : Val(value) {}

    friend constexpr bool operator==(TDateTime, TDateTime) = default;

    double Val = 0;
};

// The calendar fields of a date-time, Gregorian calendar, time rounded to the millisecond.
struct TDateTimeParts {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
    // 1 Sunday … 7 Saturday.
    int DayOfWeek = 7;
    // Days since 30 December 1899 of the calendar day (the whole part, moved on by a time rounded up to 24:00).
    int DayNumber = 0;
};

// False when value is not finite or its day lies outside 1 January 0001 … 31 December 9999; parts is then
// left alone.
bool DecodeDateTime(TDateTime value, TDateTimeParts& parts);
// The date-time of a calendar day and of a time of day; EConvertError when a field is out of its range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
