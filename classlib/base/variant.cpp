#include "classlib/base/variant.h"

#include "classlib/base/formatdatetime.h"
#include "classlib/base/formatfloat.h"
#include "classlib/base/sysutils.h"

#include <cmath>
#include <limits>

namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
// clang 14 does not deduce aggregate template arguments by itself.
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

std::int32_t RoundedToInteger(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max()))
        throw EVariantError("The value " + FloatToStr(value) + " is outside the range of an integer");
    return static_cast<std::int32_t>(rounded);
}

double TextToDouble(const AnsiString& text)
{
    const double value = StrToFloatDef(text, std::numeric_limits<double>::quiet_NaN());
    if (std::isnan(value))
        throw EVariantError("'" + text + "' is not a number");
    return value;
}

} // namespace

AnsiString Variant::AsString() const
{
    return std::visit(Overloaded{[](EmptyValue) { return AnsiString(); },
                                 [](std::int32_t value) { return IntToStr(value); },
                                 [](double value) { return FloatToStr(value); },
                                 [](TDateTime value) { return DateTimeToStr(value); },
                                 [](const AnsiString& value) { return value; }},
                      value_);
}

std::int32_t Variant::AsInteger() const
{
    return std::visit(Overloaded{[](EmptyValue) { return std::int32_t{0}; },
                                 [](std::int32_t value) { return value; },
                                 [](double value) { return RoundedToInteger(value); },
                                 [](TDateTime value) { return RoundedToInteger(value.Val); },
                                 [](const AnsiString& value) {
                                     constexpr std::int32_t kSentinel = std::numeric_limits<std::int32_t>::min();
                                     const std::int32_t integer = StrToIntDef(value, kSentinel);
                                     return integer != kSentinel ? integer : RoundedToInteger(TextToDouble(value));
                                 }},
                      value_);
}

double Variant::AsDouble() const
{
    return std::visit(Overloaded{[](EmptyValue) { return 0.0; },
                                 [](std::int32_t value) { return static_cast<double>(value); },
                                 [](double value) { return value; },
                                 [](TDateTime value) { return value.Val; },
                                 [](const AnsiString& value) { return TextToDouble(value); }},
                      value_);
}
