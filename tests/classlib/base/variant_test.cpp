#include "classlib/base/variant.h"

#include "classlib/base/formattestsettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const TDateTime k2026Dec8At0930(46364.396412037037); // 8 December 2026 09:30:50

class VariantTest : public ::testing::Test {
protected:
    ScopedFormatSettings russian_{RussianSettings()};
};

TEST_F(VariantTest, KnowsItsKind)
{
    const struct {
        Variant value;
        TVarType type;
    } cases[] = {
        {Variant(), TVarType::Empty},          {Variant(7), TVarType::Integer},
        {Variant(2.5), TVarType::Double},      {Variant(TDateTime(1.5)), TVarType::DateTime},
        {Variant("abc"), TVarType::String},    {Variant(AnsiString("")), TVarType::String},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value.Type(), c.type) << c.value.AsString().Bytes();
    EXPECT_TRUE(Variant().IsEmpty());
    EXPECT_FALSE(Variant(AnsiString()).IsEmpty());
}

TEST_F(VariantTest, TextFormsInTheRegionalFormat)
{
    const struct {
        Variant value;
        const char* text;
    } cases[] = {
        {Variant(), ""},
        {Variant(0), "0"},
        {Variant(-2147483647 - 1), "-2147483648"},
        {Variant(2.5), "2,5"},
        {Variant(-0.1 - 0.2), "-0,3"},
        {Variant(1.0 / 3), "0,333333333333333"},
        {Variant(100.0), "100"},
        {Variant(123456789012345.0), "123456789012345"},
        {Variant(1234567890123456.0), "1,23456789012346E15"},
        {Variant(1.5e20), "1,5E20"},
        {Variant(0.00001), "0,00001"},
        {Variant(0.000001), "1E-6"},
        {Variant(-0.0), "0"},
        {Variant(TDateTime(46364.0)), "08.12.2026"},
        {Variant(k2026Dec8At0930), "08.12.2026 09:30:50"},
        {Variant(TDateTime(0.75)), "18:00:00"},
        {Variant(TDateTime(0.0)), "00:00:00"},
        {Variant(TDateTime(-1.25)), "29.12.1899 06:00:00"},
        {Variant(AnsiString::FromUtf8("Дата")), "Дата"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value.AsString(), AnsiString::FromUtf8(c.text)) << c.text;
}

TEST_F(VariantTest, ValuesThatHaveNoTextFormAreNamed)
{
    EXPECT_EQ(Variant(std::numeric_limits<double>::quiet_NaN()).AsString(), "NAN");
    EXPECT_EQ(Variant(std::numeric_limits<double>::infinity()).AsString(), "INF");
    EXPECT_EQ(Variant(-std::numeric_limits<double>::infinity()).AsString(), "-INF");
    EXPECT_THROW(Variant(TDateTime(1e300)).AsString(), EConvertError);
    EXPECT_THROW(Variant(TDateTime(-700000.0)).AsString(), EConvertError);
}

TEST_F(VariantTest, ConvertsToNumbers)
{
    const struct {
        Variant value;
        std::int32_t integer;
        double number;
    } cases[] = {
        {Variant(), 0, 0},
        {Variant(-5), -5, -5},
        {Variant(2.5), 2, 2.5},
        {Variant(3.5), 4, 3.5},
        {Variant(-2.6), -3, -2.6},
        {Variant(TDateTime(46364.75)), 46365, 46364.75},
        {Variant("12"), 12, 12},
        {Variant(" -7"), -7, -7},
        {Variant("2,5"), 2, 2.5},
        {Variant("1E3"), 1000, 1000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.AsInteger(), c.integer) << c.value.AsString().Bytes();
        EXPECT_EQ(c.value.AsDouble(), c.number) << c.value.AsString().Bytes();
        EXPECT_EQ(c.value.AsDateTime().Val, c.number) << c.value.AsString().Bytes();
    }
}

TEST_F(VariantTest, RefusesConversionsThatLoseTheValue)
{
    for (const Variant& value : {Variant("12a"), Variant(""), Variant("2.5"), Variant("1e999")}) {
        EXPECT_THROW(value.AsInteger(), EVariantError) << value.AsString().Bytes();
        EXPECT_THROW(value.AsDouble(), EVariantError) << value.AsString().Bytes();
    }
    for (const Variant& value : {Variant(3e9), Variant(-2147483649.0), Variant(std::nan("")), Variant("1e10")})
        EXPECT_THROW(value.AsInteger(), EVariantError) << value.AsString().Bytes();
}

TEST_F(VariantTest, CopiesAreEqualAndIndependent)
{
    Variant text("abc");
    const Variant copy = text;
    text = Variant(1);
    EXPECT_EQ(copy, Variant("abc"));
    EXPECT_EQ(text, Variant(1));
    EXPECT_NE(Variant(1), Variant(1.0));
    EXPECT_NE(Variant(1.0), Variant(TDateTime(1.0)));
    EXPECT_EQ(Variant(), Variant());
}

} // namespace
