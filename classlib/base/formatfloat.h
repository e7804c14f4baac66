// Floating-point numbers and their text in the user's regional format (classlib/formatsettings.h).
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/base/formatsettings.h"

// The general number form: at most 15 significant digits, no trailing zeros, the decimal separator of
// settings; the exponent form ("1.5E20", "1E-6") when more than 15 digits stand before the point or the
// value is below 0.00001. Not-a-number gives "NAN", the infinities "INF" and "-INF"; negative zero "0".
AnsiString FloatToStr(double value, const TFormatSettings& settings = FormatSettings());

// value in a number format of up to three sections separated by ";": for positive values, for negative
// values (written without a sign of their own), for zero. An empty section (or a missing one) falls back to
// the first, the first empty gives the general form. A value that rounds to zero in its section is zero.
// In a section:
//   "0"   a digit, "0" where the value has none; "#" a digit where the value has one.
//   "."   the decimal separator (the first one; others are dropped), written only when digits follow.
//   ","   anywhere: thousands separators between groups of three integer digits.
//   "E+", "E-", "e+", "e-" and up to four "0": the exponent form, "+" writing the sign of positive exponents
//         too, the zeros the exponent's smallest digit count.
//   '…' and "…" copied as they are (an unmatched quote runs to the end); every other character copied.
// A section without "0" or "#" writes its text and no digits, and so no sign either ('0;"neg"' gives "neg"
// for -5, "." gives "" and 'x' gives "x").
// Integer digits beyond the placeholders stand at the first one; more than 18 of them without an exponent
// give the general form. Digits come from the value's first 15 significant ones, rounded half away from zero.
AnsiString FormatFloat(const AnsiString& format, double value, const TFormatSettings& settings = FormatSettings());

// text read as a number in the user's format: blanks around it, an optional sign, digits with at most one
// decimal separator of settings, an optional exponent ("E" or "e", a sign, digits). Anything else, an empty
// text or a value outside double's range gives defaultValue.
double StrToFloatDef(const AnsiString& text, double defaultValue, const TFormatSettings& settings = FormatSettings());
