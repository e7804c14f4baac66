#include "classlib/base/formatfloat.h"

#include "classlib/base/formattestsettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FormatCase {
    const char* format;
    double value;
    const char* expected;
};

void ExpectFormats(const std::vector<FormatCase>& cases, const TFormatSettings& settings)
{
    for (const auto& c : cases)
        EXPECT_EQ(FormatFloat(AnsiString::FromUtf8(c.format), c.value, settings).ToUtf8(), c.expected)
            << "format \"" << c.format << "\", value " << c.value;
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();

TEST(FormatFloat, PlaceholdersSeparatorsAndSections)
{
    ExpectFormats({
                      {"", 1234, "1234"},           {"", -1234, "-1234"},         {"", 0.5, "0.5"},
                      {"0", 1234, "1234"},          {"0", -1234, "-1234"},        {"0", 0.5, "1"},
                      {"0", 0, "0"},                {"0.00", 1234, "1234.00"},    {"0.00", -1234, "-1234.00"},
                      {"0.00", 0.5, "0.50"},        {"0.00", 0, "0.00"},          {"#.##", 1234, "1234"},
                      {"#.##", -1234, "-1234"},     {"#.##", 0.5, ".5"},          {"#.##", 0, ""},
                      {"#,##0.00", 1234, "1,234.00"}, {"#,##0.00", -1234, "-1,234.00"},
                      {"#,##0.00", 0.5, "0.50"},    {"#,##0.00", 1234567.891, "1,234,567.89"},
                      {"#,##0.00;(#,##0.00)", -1234, "(1,234.00)"},
                      {"#,##0.00;(#,##0.00)", 1234, "1,234.00"},
                      {"#,##0.00;;Zero", 0, "Zero"}, {"#,##0.00;;Zero", -1234, "-1,234.00"},
                      {"0.0;;'zero'", -1.5, "-1.5"}, {";0", 2.5, "2.5"},
                      {"0;-0;z;w", 0, "z"},          {"000-000", 123456, "123-456"},
                      {"000-000", 1234, "001-234"},  {"0.###", 2.5, "2.5"},       {"0.0#0#", 2.5, "2.500"},
                      {"#0.0", 1234567, "1234567.0"}, {"0.0.0", 1.25, "1.25"},
                      {"0.00 'руб.'", 5, "5.00 руб."}, {"\"x;y\"0", 1, "x;y1"},   {"0'abc", 5, "5abc"},
                      {"$0.00", -5, "-$5.00"},       {"0%", 42, "42%"},
                  },
                  TFormatSettings());
}

// A section without a digit placeholder stands for the number in words: it writes its text and no digits,
// and no sign, which alone would be no number.
TEST(FormatFloat, SectionsWithoutPlaceholdersWriteOnlyTheirText)
{
    ExpectFormats({
                      {"0;\"neg\"", -5, "neg"},    {"0;\"neg\"", 5, "5"},     {"\"pos\";0", 5, "pos"},
                      {"0;neg;zero", -2.5, "neg"}, {"0;neg;zero", 0, "zero"}, {"x.", 12.5, "x"},
                      {"0;;", -7, "-7"},           {".", -2688.09, ""},       {"...", -1, ""},
                      {"x", -3, "x"},
                  },
                  TFormatSettings());
}

TEST(FormatFloat, ExponentForms)
{
    ExpectFormats({
                      {"0.000E+00", 1234, "1.234E+03"},   {"0.000E+00", -1234, "-1.234E+03"},
                      {"0.000E+00", 0.5, "5.000E-01"},    {"0.000E+00", 0, "0.000E+00"},
                      {"#.###E-0", 1234, "1.234E3"},      {"#.###E-0", -1234, "-1.234E3"},
                      {"#.###E-0", 0.5, "5E-1"},          {"#.###E-0", 0, "0E0"},
                      {"0.00e-0", 0.00123, "1.23e-3"},    {"00.0E+0", 12345, "12.3E+3"},
                      {"0E+0", 1e308, "1E+308"},          {"0.0E+0000", 9.96e-300, "1.0E-0299"},
                      {"0E+0", 9.6, "1E+1"},               {"0.0E-0 'x'", 150, "1.5E2 x"},
                  },
                  TFormatSettings());
}

TEST(FormatFloat, RoundsTheValueAsShownHalfAwayFromZero)
{
    ExpectFormats({
                      {"0.00", 2.675, "2.68"},     {"0.00", 1.005, "1.01"},   {"0.00", -2.675, "-2.68"},
                      {"0", 2.5, "3"},             {"0", -2.5, "-3"},         {"0.0", 0.95, "1.0"},
                      {"0.00", -0.001, "0.00"},    {"0.00;(0.00);'zero'", -0.001, "zero"},
                      {"0.00;(0.00);'zero'", 0.004, "zero"}, {"0.0", -0.0, "0.0"},
                      {"0.0000000000000000000", 0.1, "0.1000000000000000000"},
                      {"0", 99999999999999999.0, "100000000000000000"},
                  },
                  TFormatSettings());
}

TEST(FormatFloat, ValuesBeyondTheFormatGiveTheGeneralForm)
{
    ExpectFormats({
                      {"0.00", 1e18, "1E18"},     {"0", -1e20, "-1E20"},     {"#,##0", 1e308, "1E308"},
                      {"0.00", kNaN, "NAN"},      {"0.00", kInfinity, "INF"}, {"0.00", -kInfinity, "-INF"},
                      {"0.00", 1e17, "100000000000000000.00"},
                  },
                  TFormatSettings());
}

TEST(FormatFloat, UsesTheRegionalSeparators)
{
    ExpectFormats({
                      {"#,##0.00", 1234.5, "1 234,50"}, {"0.00", 2.5, "2,50"}, {"", 2.5, "2,5"},
                      {"0.0E+0", 1500, "1,5E+3"},       {"0.00 '.,'", 1, "1,00 .,"},
                  },
                  RussianSettings());
    ScopedFormatSettings russian(RussianSettings());
    EXPECT_EQ(FormatFloat("0.00", 2.5), "2,50");
    EXPECT_EQ(FloatToStr(-1.5e-7), "-1,5E-7");
}

TEST(FormatFloat, HugeFormatsGiveTheirWholeLength)
{
    const std::string zeros(100000, '0');
    EXPECT_EQ(FormatFloat(AnsiString(zeros), 5, TFormatSettings()), AnsiString(zeros.substr(1) + "5"));
    EXPECT_EQ(FormatFloat(AnsiString("0." + zeros), 0.5, TFormatSettings()), AnsiString("0.5" + zeros.substr(1)));
    const std::string hashes = "#," + std::string(100000, '#');
    EXPECT_EQ(FormatFloat(AnsiString(hashes), 1234567, TFormatSettings()), "1,234,567");
    EXPECT_EQ(FormatFloat(AnsiString(std::string(100000, '\'')), 1, TFormatSettings()), "") << "no placeholder";
}

TEST(StrToFloatDef, ReadsTheRegionalFormatOrGivesTheDefault)
{
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"2,5", 2.5},   {" -1,5e3 ", -1500}, {"+7", 7},     {",5", 0.5},     {"5,", 5},      {"1E-2", 0.01},
        {"0", 0},       {"2.5", -1},         {"", -1},      {"  ", -1},      {",", -1},      {"1e", -1},
        {"1e+", -1},    {"e5", -1},          {"+-1", -1},   {"1 000", -1},   {"1,2,3", -1},  {"12a", -1},
        {"nan", -1},    {"inf", -1},         {"1e400", -1}, {"0x10", -1},    {"\t5", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrToFloatDef(c.text, -1, RussianSettings()), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(StrToFloatDef("2.5", -1, TFormatSettings()), 2.5);
    EXPECT_EQ(StrToFloatDef(AnsiString(std::string(100000, '0') + "1"), -1, TFormatSettings()), 1);
}

} // namespace
