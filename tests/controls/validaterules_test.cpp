#include "controls/validaterules.h"

#include "classlib/base/ansistring.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using K = ValidateKind;

struct KeyCase {
    const char* name;
    K kind;
    std::string list; // UTF-8
    std::string text;
    int selStart;
    int selLength;
    const char* key; // UTF-8, one character
    const char* expected; // UTF-8; empty: rejected
    bool rangeMode = false;
    double minValue = 0.0;
    double maxValue = 1.0;
};

std::string Ansi(const std::string& utf8)
{
    return AnsiString::FromUtf8(utf8).Bytes();
}

TEST(ValidateRulesTest, KeysAreJudgedByKindTextCaretAndSelection)
{
    const std::vector<KeyCase> cases = {
        {"int_minus_before_minus", K::Integer, "", "-12", 0, 0, "-", ""},
        {"int_minus_over_selection", K::Integer, "", "-12", 0, 3, "-", "-"},
        {"int_minus_into_empty", K::Integer, "", "", 0, 0, "-", "-"},
        {"int_minus_not_at_start", K::Integer, "", "12", 1, 0, "-", ""},
        {"int_digit_before_sign", K::Integer, "", "-12", 0, 0, "5", ""},
        {"int_digit_before_blank_and_sign", K::Integer, "", " \t-12", 0, 0, "5", ""},
        {"int_digit_after_sign", K::Integer, "", "-12", 1, 0, "5", "5"},
        {"int_letter", K::Integer, "", "", 0, 0, "a", ""},
        {"int_point", K::Integer, "", "1", 1, 0, ".", ""},
        {"intps_minus", K::IntegerPs, "", "", 0, 0, "-", ""},
        {"intps_digit", K::IntegerPs, "", "", 0, 0, "7", "7"},
        {"float_third_decimal", K::Float, "", "3.14", 4, 0, "5", ""},
        {"float_digit_before_point", K::Float, "", "3.14", 1, 0, "5", "5"},
        {"float_second_point", K::Float, "", "3.14", 4, 0, ".", ""},
        {"float_point_over_old_point", K::Float, "", "3.14", 0, 2, ".", "."},
        {"float_point_over_digits", K::Float, "", "3.14", 2, 2, ".", ""},
        {"float_first_point", K::Float, "", "314", 1, 0, ".", "."},
        {"float_comma", K::Float, "", "3", 1, 0, ",", ""},
        {"float_digit_before_sign", K::Float, "", "-3", 0, 0, "1", ""},
        {"floatps_minus", K::FloatPs, "", "", 0, 0, "-", ""},
        {"floatps_third_decimal", K::FloatPs, "", "0.25", 4, 0, "1", ""},
        {"hex_upper", K::Hex, "", "", 0, 0, "F", "F"},
        {"hex_g", K::Hex, "", "", 0, 0, "g", ""},
        {"hexup_b", K::HexUp, "", "", 0, 0, "b", "B"},
        {"hexup_g", K::HexUp, "", "", 0, 0, "g", ""},
        {"hexlo_B", K::HexLo, "", "", 0, 0, "B", "b"},
        {"digits_minus", K::OnlyDigits, "", "", 0, 0, "-", ""},
        {"digits_nine", K::OnlyDigits, "", "", 0, 0, "9", "9"},
        {"custom_range_digit", K::Custom, "0-9A-F_", "", 0, 0, "5", "5"},
        {"custom_range_letter", K::Custom, "0-9A-F_", "", 0, 0, "C", "C"},
        {"custom_single", K::Custom, "0-9A-F_", "", 0, 0, "_", "_"},
        {"custom_lower_outside", K::Custom, "0-9A-F_", "", 0, 0, "c", ""},
        {"custom_minus_not_listed", K::Custom, "0-9A-F_", "", 0, 0, "-", ""},
        {"custom_trailing_minus", K::Custom, "a-", "", 0, 0, "-", "-"},
        {"custom_trailing_minus_letter", K::Custom, "a-", "", 0, 0, "a", "a"},
        {"custom_leading_minus", K::Custom, "-a", "", 0, 0, "-", "-"},
        {"custom_leading_minus_b", K::Custom, "-a", "", 0, 0, "b", ""},
        {"custom_range_from_minus", K::Custom, "--a", "", 0, 0, "Z", "Z"},
        {"custom_range_from_minus_b", K::Custom, "--a", "", 0, 0, "b", ""},
        {"custom_cyrillic", K::Custom, "а-я", "", 0, 0, "ж", "ж"},
        {"custom_cyrillic_latin", K::Custom, "а-я", "", 0, 0, "z", ""},
        {"custom_across_128", K::Custom, "z-я", "", 0, 0, "~", ""},
        {"custom_across_128_cyrillic", K::Custom, "z-я", "", 0, 0, "ж", ""},
        {"custom_empty", K::Custom, "", "", 0, 0, "x", ""},
        {"none_cyrillic", K::None, "", "", 0, 0, "ж", "ж"},
        {"range_below", K::Integer, "", "", 0, 0, "1", "", true, 10, 20},
        {"range_inside", K::Integer, "", "1", 1, 0, "5", "5", true, 10, 20},
        {"range_keeps_selection", K::Integer, "", "99", 0, 2, "5", "", true, 0, 100},
        {"range_off", K::Integer, "", "99", 0, 2, "5", "5", false, 0, 100},
        {"range_float", K::Float, "", "0.5", 3, 0, "5", "5", true, 0, 1},
        {"range_float_above", K::FloatPs, "", "0.5", 0, 0, "5", "", true, 0, 1},
        {"range_not_for_hex", K::Hex, "", "FF", 2, 0, "F", "F", true, 0, 1},
    };
    for (const KeyCase& c : cases) {
        TValidateSettings settings{c.kind, Ansi(c.list), 2, c.rangeMode, c.maxValue, c.minValue};
        const char key = Ansi(c.key).at(0);
        const std::string expected = Ansi(c.expected);
        const char got = ProcessKey(settings, key, TEditState{Ansi(c.text), c.selStart, c.selLength});
        EXPECT_EQ(got, expected.empty() ? 0 : expected[0]) << c.name;
    }
}

TEST(ValidateRulesTest, ControlCharactersPassEveryKind)
{
    for (int kind = 0; kind <= static_cast<int>(K::OnlyDigits); ++kind) {
        const TValidateSettings settings{static_cast<K>(kind), "", 2, true, 1.0, 0.5};
        for (const char key : {'\b', '\r', '\x1b', '\x16', '\x03', '\t', '\n'})
            EXPECT_EQ(ProcessKey(settings, key, TEditState{"-9.99", 0, 0}), key) << kind << " " << int(key);
    }
}

TEST(ValidateRulesTest, DecimalsLimitOnlyDigitsBehindThePoint)
{
    struct Case { std::string text; int caret; int mantissa; bool allowed; };
    for (const Case& c : {Case{"3.14", 4, 2, false}, Case{"3.14", 2, 2, false}, Case{"3.14", 1, 2, true},
                          Case{"3.1", 3, 2, true}, Case{"3.", 2, 0, false}, Case{"314", 3, 0, true},
                          Case{"3.1", 3, -1, false}}) {
        const TValidateSettings settings{K::Float, "", c.mantissa};
        EXPECT_EQ(ProcessMantissa(settings, c.text, c.caret), c.allowed) << c.text << " at " << c.caret;
    }
    EXPECT_TRUE(ProcessMantissa(TValidateSettings{K::Integer, "", 0}, "3.14", 4));
}

TEST(ValidateRulesTest, LeadingNumberReadsTheLongestNumberInFront)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case { std::string text; double value; };
    for (const Case& c : {Case{"", 0}, Case{"abc", 0}, Case{"  -2.5x", -2.5}, Case{"\t+7", 7}, Case{"1e3", 1000},
                          Case{"1e", 1}, Case{"1e+", 1}, Case{"2E-2z", 0.02}, Case{".5", 0.5}, Case{"5.", 5},
                          Case{"-", 0}, Case{".", 0}, Case{"12,5", 12}, Case{"0x10", 0}, Case{"inf", 0},
                          Case{"nan", 0}, Case{"1e400", inf}, Case{"-1e400", -inf}, Case{"1e-400", 0},
                          Case{"0.000e99999999999999999999", 0}, Case{std::string(400, '9'), inf},
                          Case{"0." + std::string(400, '0') + "1", 0}, Case{"1e-99999999999999999999", 0}})
        EXPECT_EQ(LeadingNumber(c.text), c.value) << c.text.substr(0, 40);
}

constexpr int kBoxLength = 32767;

TEST(ValidateRulesTest, PastedNumbersAreWrittenWithTheKindsDecimals)
{
    struct Case { const char* name; K kind; int mantissa; bool rangeMode; std::string text; std::optional<std::string> shown; };
    const std::vector<Case> cases = {
        {"letters_positive_int", K::IntegerPs, 0, false, "abc", "0"},
        {"three_decimals", K::Float, 3, false, "2.5x", "2.500"},
        {"rounded_int", K::Integer, 0, false, "2.7", "3"},
        {"half_to_even", K::Integer, 0, false, "2.5", "2"},
        {"negative_into_positive", K::IntegerPs, 0, false, "-4", "-4"},
        {"negative_zero", K::Integer, 0, false, "-0.4", "-0"},
        {"rounded_decimals", K::FloatPs, 2, false, "1.005e1", "10.05"},
        {"in_range", K::Integer, 0, true, "15", "15"},
        {"below_range", K::Integer, 0, true, "5", std::nullopt},
        {"letters_below_range", K::Integer, 0, true, "x", std::nullopt},
        {"beyond_double", K::IntegerPs, 0, false, std::string(5000, '7'), std::nullopt},
        {"negative_mantissa", K::Float, -1, false, "1", "1.000000"},
        {"decimals_past_the_exact_ones", K::Float, 2000, false, "0.5", "0.5" + std::string(1999, '0')},
    };
    for (const Case& c : cases) {
        const TValidateSettings settings{c.kind, "", c.mantissa, c.rangeMode, 20.0, 10.0};
        EXPECT_EQ(NormalisePastedNumber(settings, c.text, kBoxLength), c.shown) << c.name;
    }
    const std::optional<std::string> wide = NormalisePastedNumber(TValidateSettings{K::Float, "", INT_MAX}, "1", 100);
    EXPECT_EQ(wide, "1." + std::string(100, '0')) << "decimals up to what the box holds";
}

TEST(ValidateRulesTest, PasteKeepsWhatTheKindLetsThrough)
{
    struct Case { K kind; std::string list; std::string pasted; std::string inserted; };
    for (const Case& c : {Case{K::HexUp, "", "1a-f", "1AF"}, Case{K::HexLo, "", "1A-F", "1af"},
                          Case{K::OnlyDigits, "", "1\r\n2x", "1\r\n2"}, Case{K::Custom, "a-c", "abcd\tb", "abc\tb"},
                          Case{K::Custom, "", "xyz", ""}, Case{K::Hex, "", std::string("\0F", 2), "F"}})
        EXPECT_EQ(FilterPaste(TValidateSettings{c.kind, c.list}, c.pasted, TEditState{}), c.inserted) << c.pasted;
}

TEST(ValidateRulesTest, CharactersWithoutAWindows1251ByteHaveNone)
{
    EXPECT_EQ(AnsiCharOf(U'ж'), '\xE6');
    EXPECT_EQ(AnsiCharOf(U'€'), '\x88');
    EXPECT_EQ(AnsiCharOf(U'?'), '?');
    EXPECT_EQ(AnsiCharOf(U'A'), 'A');
    for (const char32_t missing : {U'中', U'é', char32_t(0xD83D), U'😀'})
        EXPECT_FALSE(AnsiCharOf(missing).has_value()) << std::hex << static_cast<unsigned>(missing);
}

} // namespace
