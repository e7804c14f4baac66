// The input rules of the validating edit box, free of Qt: which typed character each kind of input lets
// through, the range and decimals tests of a typed digit, the filtering of pasted text, and the reading and
// writing of numbers. Characters are single Windows-1251 bytes; texts are Windows-1251 byte strings whose
// positions count characters of the edit box.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class ValidateKind : std::uint8_t {
    None, Custom, Integer, IntegerPs, Float, FloatPs, Hex, HexUp, HexLo, OnlyDigits
};

// The settings of a box that the rules read.
struct TValidateSettings {
    ValidateKind kind = ValidateKind::None;
    std::string validateString;
    int mantissa = 0;
    bool rangeMode = false;
    double maxValue = 1.0;
    double minValue = 0.0;
};

// The text of the box with its caret (selStart: characters before the caret or selection) and selection.
struct TEditState {
    std::string text;
    int selStart = 0;
    int selLength = 0;
};

bool IsNumericKind(ValidateKind kind);
// Codes 0 to 31: editing keys and Ctrl+letter codes, let through by every kind.
bool IsControlChar(char key);

// The character as the kind lets it through (possibly in the other case), or 0 when it is rejected.
char ProcessKey(const TValidateSettings& settings, char key, const TEditState& state);
// A digit typed at caret keeps a numeric box with RangeMode inside [MinValue, MaxValue]; the selection
// stays in the candidate text.
bool ProcessRangeMode(const TValidateSettings& settings, char key, std::string_view text, int caret);
// A digit typed behind the point still fits into Mantissa decimals.
bool ProcessMantissa(const TValidateSettings& settings, std::string_view text, int caret);

// The value of the longest leading part of text that forms a decimal number (leading blanks, sign, digits
// with a fraction, exponent); 0 when there is none. A value beyond the double range is an infinity.
double LeadingNumber(std::string_view text);

// What a paste inserts for a kind that filters characters: each pasted character as the kind lets it
// through at the state before the paste, rejected ones dropped.
std::string FilterPaste(const TValidateSettings& settings, std::string_view pasted, const TEditState& state);
// The text a numeric box shows after a paste left text in it: the number written with the kind's decimals,
// at most maxLength of them (a box holding maxLength characters shows no more), or nothing when the old text
// must come back (outside the range, or beyond the double range).
std::optional<std::string> NormalisePastedNumber(const TValidateSettings& settings, std::string_view text,
                                                 int maxLength);
// value in fixed-point notation with decimals digits after "." (as "%-.*lf"); negative decimals give six.
std::string FormatFixed(double value, int decimals);

// The Windows-1251 byte of a character, or nothing when the code page has none (surrogate halves included).
std::optional<char> AnsiCharOf(char32_t codePoint);
