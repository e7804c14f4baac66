// Conversions between whole numbers and their decimal text.
#pragma once

#include "classlib/base/ansistring.h"

#include <cstdint>

// The text as a decimal number: leading blanks, an optional sign, then digits only. Anything else, an empty
// text or a value outside 32 bits gives defaultValue.
std::int32_t StrToIntDef(const AnsiString& text, std::int32_t defaultValue);

AnsiString IntToStr(std::int64_t value);
