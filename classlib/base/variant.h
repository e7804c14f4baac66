// A value of one of five kinds, as the field grid keeps them: empty, integer, floating point, date-time, text.
// Copied by value. The text forms follow the user's regional format (classlib/formatsettings.h).
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/base/datetime.h"
#include "classlib/base/exception.h"

#include <cstdint>
#include <variant>

enum class TVarType { Empty, Integer, Double, DateTime, String };

// A conversion a Variant cannot make: text that is no number, a number outside the target's range.
class EVariantError : public Exception { using Exception::Exception; };

class Variant {
public:
    Variant() = default;
    Variant(std::int32_t value) : value_(value) {}
    Variant(double value) : value_(value) {}
    Variant(TDateTime value) : value_(value) {}
    Variant(AnsiString value) : value_(std::move(value)) {}
    Variant(const char* value) : value_(AnsiString(value)) {}

    TVarType Type() const { return static_cast<TVarType>(value_.index()); }
    bool IsEmpty() const { return Type() == TVarType::Empty; }

    // The text form: "" for empty, an integer in decimal, a floating-point number in the general number form
    // (FloatToStr), a date-time as DateTimeToStr (EConvertError outside the years 1 to 9999), text as it is.
    AnsiString AsString() const;
    // Empty gives 0; a floating-point number or date-time rounds half to even; text is read as an integer or,
    // failing that, as a number in the user's format. EVariantError when text is no number or the value is
    // outside 32 bits.
    std::int32_t AsInteger() const;
    // Empty gives 0; a date-time gives its days; text is read as a number in the user's format
    // (EVariantError when it is none).
    double AsDouble() const;
    // The same number as AsDouble, as a date-time.
    TDateTime AsDateTime() const { return TDateTime(AsDouble()); }

    // Equal when of the same kind with the same value (floating point compared as doubles).
    friend bool operator==(const Variant&, const Variant&) = default;

private:
    struct EmptyValue {
        friend bool operator==(EmptyValue, EmptyValue) { return true; }
    };

    std::variant<EmptyValue, std::int32_t, double, TDateTime, AnsiString> value_;
};
