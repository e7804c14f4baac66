#include "classlib/widgets/designposition.h"

#include "classlib/base/exception.h"

#include <string>

namespace {

int Coordinate(const std::string& name, const TFormValue& value)
{
    if (value.kind != TFormValue::Kind::Integer)
        throw Exception(AnsiString::FromUtf8(name + ": an integer expected"));
    if (value.integer < -32768 || value.integer > 32767)
        throw Exception(AnsiString::FromUtf8(name + ": " + std::to_string(value.integer) + " is out of range"));
    return static_cast<int>(value.integer);
}

} // namespace

void TDesignPosition::DefineProperties(TFiler& filer)
{
    filer.DefineProperty(
        "Left", [this](const TFormValue& value) { Left = Coordinate("Left", value); },
        [this] { return TFormValue::OfInteger(Left); }, Left != 0);
    filer.DefineProperty(
        "Top", [this](const TFormValue& value) { Top = Coordinate("Top", value); },
        [this] { return TFormValue::OfInteger(Top); }, Top != 0);
}
