// Number and date format strings under libFuzzer. Input: one byte choosing the settings, eight bytes of a
// double (any bit pattern: NaN, infinities, negative zero, subnormals), then the format. The format also
// serves as the settings' short date and long time format. Checks: the text of a number is never longer
// than its format allows; a plain number format ("0", "#", ".") reads back to the value within its rounding;
// date-times outside the calendar are refused with EConvertError and nothing else.
#include "classlib/base/exception.h"
#include "classlib/base/formatdatetime.h"
#include "classlib/base/formatfloat.h"
#include "classlib/base/formatsettings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

TFormatSettings ChosenSettings(std::uint8_t choice, const AnsiString& format)
{
    TFormatSettings settings;
    if (choice & 1) {
        settings.DecimalSeparator = ',';
        settings.ThousandSeparator = ' ';
        settings.DateSeparator = '.';
    }
    if (choice & 2) {
        settings.ShortDateFormat = format;
        settings.LongTimeFormat = format;
    }
    return settings;
}

bool IsPlainNumberFormat(const std::string& format)
{
    return !format.empty() && format.size() < 400 &&
           format.find_first_not_of("0#.") == std::string::npos;
}

// The value shown by a plain number format is the value rounded to the format's decimals (or to 15
// significant digits).
void CheckReadsBack(const std::string& format, double value, const AnsiString& text, const TFormatSettings& settings)
{
    if (!std::isfinite(value) || text.IsEmpty())
        return;
    const std::size_t point = format.find('.');
    const long decimals =
        point == std::string::npos ? 0 : static_cast<long>(std::count_if(format.begin() + point, format.end(),
                                                                         [](char c) { return c == '0' || c == '#'; }));
    const double readBack = StrToFloatDef(text, std::nan(""), settings);
    const double tolerance = std::max(0.5 * std::pow(10.0, -decimals), std::fabs(value) * 1e-14) * 1.000001;
    if (!(std::fabs(readBack - value) <= tolerance))
        std::abort();
}

void CheckNumber(const std::string& format, double value, const TFormatSettings& settings)
{
    const AnsiString text = FormatFloat(AnsiString(format), value, settings);
    if (static_cast<std::size_t>(text.Length()) > 2 * format.size() + 64)
        std::abort();
    if (IsPlainNumberFormat(format))
        CheckReadsBack(format, value, text, settings);
    StrToFloatDef(AnsiString(format), 0, settings);
}

void CheckDateTime(const std::string& format, double value, const TFormatSettings& settings)
{
    TDateTimeParts parts;
    const bool inCalendar = DecodeDateTime(TDateTime(value), parts);
    try {
        FormatDateTime(AnsiString(format), TDateTime(value), settings);
        DateTimeToStr(TDateTime(value), settings);
    } catch (const EConvertError&) {
        if (inCalendar)
            std::abort();
        return;
    }
    if (!inCalendar)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 9)
        return 0;
    double value = 0;
    std::memcpy(&value, data + 1, sizeof value);
    const std::string format(reinterpret_cast<const char*>(data + 9), size - 9);
    const TFormatSettings settings = ChosenSettings(data[0], AnsiString(format));
    CheckNumber(format, value, settings);
    CheckDateTime(format, value, settings);
    return 0;
}
