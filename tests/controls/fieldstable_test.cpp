#include "controls/fieldstable.h"

#include "classlib/base/exception.h"
#include "png/pngimagelist.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

AnsiString U(const char* utf8)
{
    return AnsiString::FromUtf8(utf8);
}

// The description members of a record in line order, "|" between them, colours in hexadecimal.
std::string Describe(const FieldRecord& r)
{
    const auto hex = [](TColor c) {
        char text[16];
        std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(c));
        return std::string(text);
    };
    return std::to_string(r.Visible) + "|" + r.Name.ToUtf8() + "|" + r.Caption.ToUtf8() + "|" +
           std::to_string(r.Width) + "|" + std::to_string(r.HeaderStyle) + "|" + r.TypeName.ToUtf8() + "|" +
           r.Format.ToUtf8() + "|" + std::to_string(r.Alignment) + "|" + hex(r.CellColor) + "|" +
           r.FontName.ToUtf8() + "|" + std::to_string(r.FontSize) + "|" + hex(r.FontColor) + "|" +
           r.FontStyle.ToUtf8();
}

std::vector<AnsiString> Lines(std::initializer_list<const char*> utf8)
{
    std::vector<AnsiString> lines;
    for (const char* line : utf8)
        lines.push_back(U(line));
    return lines;
}

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ERangeError& error) {
        return "range error";
    } catch (const Exception& error) {
        return error.Message().Bytes();
    }
    return "no error";
}

class FieldsTableTest : public ::testing::Test {
protected:
    void Build(std::initializer_list<const char*> utf8) { table.SetProperties(Lines(utf8)); }

    std::vector<std::string> Described() const
    {
        std::vector<std::string> records;
        for (const FieldRecord& record : table)
            records.push_back(Describe(record));
        return records;
    }

    TFieldsTable table;
};

struct LineCase {
    const char* name;
    const char* line;
    const char* record;
};

TEST_F(FieldsTableTest, LineFieldsAreReadByPositionWithTheirFallBacks)
{
    const std::vector<LineCase> cases = {
        {"complete line", "1|Date|Дата|80|0|TDateTime|dd.mm.yyyy|center|#FFFFFF|Tahoma|10|#000000|1000",
         "1|Date|Дата|80|0|TDateTime|dd.mm.yyyy|2|FFFFFF|Tahoma|10|000000|1000"},
        {"only separators", "||||||||||||", "1|||99|0|||0|000000||10|000000|"},
        {"one field", "0", "0|||99|0|||0|000000||10|000000|"},
        {"blanks and control codes trimmed", " \t0 | a b\x01|\x02 c |\r 12 \n", "0|a b|c|12|0|||0|000000||10|000000|"},
        {"colours by the HTML rule", "1|n||||||right|#102030|||#0A0B0C|", "1|n||99|0|||1|302010||10|0C0B0A|"},
        {"colour of another length is black", "1|n||||||left|#10203|||#1020304|", "1|n||99|0|||0|000000||10|000000|"},
        {"integers with sign", "-1|n||-5|+2||||||+12||", "1|n||-5|1|||0|000000||12|000000|"},
        {"not integers fall back", "x|n||12a|1.5|||||| 9 9||", "1|n||99|0|||0|000000||10|000000|"},
        {"integer range ends", "1|n||2147483647|||||||-2147483648||", "1|n||2147483647|0|||0|000000||-2147483648|000000|"},
        {"past the integer range", "1|n||2147483648|||||||-2147483649||", "1|n||99|0|||0|000000||10|000000|"},
        {"fields past the thirteenth ignored", "1|n|||||||||||0110|extra|more", "1|n||99|0|||0|000000||10|000000|0110"},
        {"last one-character field", "1|n|c", "1|n|c|99|0|||0|000000||10|000000|"},
        {"type names kept as written", "1|n||||Int|", "1|n||99|0|Int||0|000000||10|000000|"},
    };
    for (const LineCase& c : cases) {
        FieldRecord record;
        table.ParseString(U(c.line), record);
        EXPECT_EQ(Describe(record), c.record) << c.name;
    }
}

TEST_F(FieldsTableTest, WorkingRecordCarriesAlignmentAndEmptyLinesRepeatTheField)
{
    Build({"", "1|a|A|10|0|int||right|#FFFFFF|Arial|9|#000000|0000", "1|b|B|20|1|double|0.00|Center", "1|c||||||",
           "  \t ", "1|d||||||center"});
    EXPECT_EQ(Described(), (std::vector<std::string>{
                               "1|name|Название|99|0|AnsiString||0|FFFFFF|Tahoma|10|000000|0000",
                               "1|a|A|10|0|int||1|FFFFFF|Arial|9|000000|0000",
                               "1|b|B|20|1|double|0.00|1|000000||10|000000|",
                               "1|c||99|0|||1|000000||10|000000|",
                               "1|c||99|0|||1|000000||10|000000|",
                               "1|d||99|0|||2|000000||10|000000|",
                           }));
    std::uint32_t field = 99;
    ASSERT_TRUE(table.FindField("c", field));
    EXPECT_EQ(field, 3u);
    EXPECT_FALSE(table.FindField("C", field));
}

TEST_F(FieldsTableTest, DuplicateNameStopsTheBuildAfterTheEarlierLines)
{
    EXPECT_EQ(MessageOf([&] { Build({"1|a", "1|b", "1|a", "1|c"}); }), "field already exist!, (ParseString)");
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1].Name, "b");
    EXPECT_EQ(MessageOf([&] { Build({"", "1|name"}); }), "field already exist!, (ParseString)");
}

TEST_F(FieldsTableTest, SplittingMovesTheCursorPastEachSeparator)
{
    const AnsiString line("a| bb |");
    std::size_t cursor = 0;
    EXPECT_EQ(TFieldsTable::FindNextProperties(line, cursor), "a");
    EXPECT_EQ(cursor, 2u);
    EXPECT_EQ(TFieldsTable::FindNextProperties(line, cursor), "bb");
    EXPECT_EQ(cursor, 7u);
    EXPECT_EQ(TFieldsTable::FindNextProperties(line, cursor), "");
    EXPECT_EQ(cursor, 7u);
}

struct ErrorCase {
    const char* message;
    std::function<void(TFieldsTable&)> action;
};

TEST_F(FieldsTableTest, EveryFailureRaisesItsMessage)
{
    constexpr std::uint32_t minusOne = 0xFFFFFFFF;
    QLineEdit control;
    TPngImageList images;
    const std::vector<ErrorCase> cases = {
        {"not find field, (fSetStrValues)", [](TFieldsTable& t) { t.fSetStrValues("x", 1, 5); }},
        {"not find field, (fGetStrValues)", [](TFieldsTable& t) { t.fGetStrValues("x", 1); }},
        {"not find field, (AddValue)", [](TFieldsTable& t) { t.AddValue("x", 5); }},
        {"not find field, (SizeField)", [](TFieldsTable& t) { t.GetSizeField("x"); }},
        {"not find field, (AssignPIL)", [&](TFieldsTable& t) { t.AssignPIL("x", &images); }},
        {"not find field, (AssignEditControl)", [&](TFieldsTable& t) { t.AssignEditControl("x", &control); }},
        {"ACol or ARow is out of range!, (CheckFields)", [](TFieldsTable& t) { t.fGetValues(0, 0); }},
        {"ACol or ARow is out of range!, (CheckFields)", [](TFieldsTable& t) { t.fGetValues(0, INT_MIN); }},
        {"ACol or ARow is out of range!, (CheckFields)", [&](TFieldsTable& t) { t.fSetValues(minusOne, 1, 1); }},
        {"ACol or ARow is out of range!, (CheckFields)", [](TFieldsTable& t) { t.fGetStrValues("a", -1); }},
        {"ACol is out of range!, (CheckFields)", [](TFieldsTable& t) { t.fGetValues(2, 1); }},
        {"ACol is out of range!, (CheckFields)", [](TFieldsTable& t) { t.fGetValues(0x80000000u - 1, 1); }},
        {"ARow is out of range!, (CheckFields)", [](TFieldsTable& t) { t.fGetValues(0, 3); }},
        {"ARow is out of range!, (CheckFields)", [](TFieldsTable& t) { t.fSetStrValues("b", 1, 1); }},
        {"ACol is out of range!, (CheckColumn)", [&](TFieldsTable& t) { t.AddValue(minusOne, 1); }},
        {"ACol is out of range!, (CheckColumn)", [](TFieldsTable& t) { t.GetSizeField(2); }},
    };
    for (const ErrorCase& c : cases) {
        Build({"1|a", "1|b"});
        table.AddValue("a", 1);
        table.AddValue("a", 2);
        EXPECT_EQ(MessageOf([&] { c.action(table); }), c.message);
        EXPECT_EQ(table.GetSizeField(0u) + table.GetSizeField(1u), 2) << c.message << ": nothing appended";
    }
    const std::vector<ErrorCase> emptyCases = {
        {"FieldsTable.size() is null!, (CheckFields)", [](TFieldsTable& t) { t.fGetValues(0, 1); }},
        {"FieldsTable.size() is null!, (CheckColumn)", [](TFieldsTable& t) { t.AddValue(0u, 1); }},
        {"FieldsTable.size() is null!, (CheckColumn)", [](TFieldsTable& t) { t.GetSizeField(0u); }},
        {"ACol or ARow is out of range!, (CheckFields)", [](TFieldsTable& t) { t.fGetValues(minusOne, 1); }},
    };
    for (const ErrorCase& c : emptyCases) {
        TFieldsTable empty;
        EXPECT_EQ(MessageOf([&] { c.action(empty); }), c.message);
    }
}

TEST_F(FieldsTableTest, ValuesAreReadAndReplacedByRowWhileAddValueAppends)
{
    Build({"1|total", "1|name"});
    EXPECT_EQ(MessageOf([&] { table.fGetValues(0, 1); }), "ARow is out of range!, (CheckFields)");
    table.AddValue("total", 10);
    table.AddValue(0u, Variant(2.5));
    table.fSetValues(0, 1, Variant(AnsiString("x")));
    table.fSetStrValues("total", 2, 7);
    EXPECT_EQ(table.fGetValues(0, 1), Variant(AnsiString("x")));
    EXPECT_EQ(table.fGetStrValues("total", 2), Variant(7));
    EXPECT_EQ(table.GetSizeField("total"), 2);
    EXPECT_EQ(table.GetSizeField(1u), 0);
    EXPECT_EQ(MessageOf([&] { table.fSetValues(0, 3, 1); }), "ARow is out of range!, (CheckFields)");
    table.Clear();
    EXPECT_EQ(table.GetSizeField("total"), 0);
}

TEST_F(FieldsTableTest, ImageListsAndEditControlsAreReferencedUntilTheyGo)
{
    Build({"1|pic", "1|edit"});
    EXPECT_FALSE(table.AssignPIL("unknown", nullptr));
    EXPECT_FALSE(table.AssignEditControl("unknown", nullptr));
    auto images = std::make_unique<TPngImageList>();
    auto control = std::make_unique<QLineEdit>();
    EXPECT_TRUE(table.AssignPIL("pic", images.get()));
    EXPECT_TRUE(table.AssignEditControl("edit", control.get()));
    EXPECT_EQ(table[0].ImageList, images.get());
    EXPECT_EQ(table[1].EditControl, control.get());
    control.reset();
    EXPECT_TRUE(table[1].EditControl.isNull());
    table.AddValue("pic", 1);
    Build({"1|pic", "1|edit"});
    EXPECT_TRUE(table[0].ImageList.isNull()) << "a new build forgets lists, controls and values";
    EXPECT_EQ(table.GetSizeField("pic"), 0);
}

TEST_F(FieldsTableTest, DescriptionCopyLeavesValuesFontListAndControlBehind)
{
    TPngImageList images;
    QLineEdit control;
    FieldRecord record;
    table.ParseString(U("0|n|c|5|1|int|f|right|#010203|Arial|7|#040506|0101"), record);
    record.Items.push_back(3);
    record.Font = std::make_unique<TFont>();
    record.ImageList = &images;
    record.EditControl = &control;
    const FieldRecord copy = record.DescriptionCopy();
    EXPECT_EQ(Describe(copy), Describe(record));
    EXPECT_TRUE(copy.Items.empty());
    EXPECT_FALSE(copy.Font);
    EXPECT_TRUE(copy.ImageList.isNull());
    EXPECT_TRUE(copy.EditControl.isNull());
}

TEST_F(FieldsTableTest, FontStylesReadFourPositionsAndRefuseShorterTexts)
{
    using S = TFieldFontStyles;
    EXPECT_EQ(FontStylesOf("1000"), (S{true, false, false, false}));
    EXPECT_EQ(FontStylesOf("0101"), (S{false, true, false, true}));
    EXPECT_EQ(FontStylesOf("x1y1zz0"), (S{false, true, false, true}));
    EXPECT_EQ(FontStylesOf("00101111"), (S{false, false, true, false}));
    for (const char* shortText : {"", "1", "111"})
        EXPECT_EQ(MessageOf([&] { FontStylesOf(shortText); }), "range error") << shortText;
}

TEST_F(FieldsTableTest, EmptyTablesAndTablesWithoutVisibleFieldsShowNoValues)
{
    EXPECT_TRUE(table.IsWithoutValues());
    Build({"0|hidden", "1|shown"});
    table.AddValue(0u, 1);
    table.AddValue(1u, 1);
    EXPECT_FALSE(table.IsWithoutValues());
    Build({"0|a", "0|b"});
    table.AddValue(0u, 1);
    EXPECT_TRUE(table.IsWithoutValues());
    Build({"1|a", "1|b"});
    table.AddValue(1u, 1);
    EXPECT_TRUE(table.IsWithoutValues()) << "the first field decides";
}

TEST_F(FieldsTableTest, HostileDescriptionsGiveATable)
{
    std::string binary;
    for (int c = 0; c < 256; ++c)
        binary += static_cast<char>(c);
    std::string manyFields;
    for (int i = 0; i < 10000; ++i)
        manyFields += std::to_string(i) + "|";
    std::vector<AnsiString> lines = {AnsiString(binary), AnsiString(manyFields), AnsiString(std::string(100000, 'w')),
                                     AnsiString("1|separators" + std::string(100000, '|'))};
    for (int i = 0; i < 10000; ++i)
        lines.push_back(AnsiString("1|f" + std::to_string(i)));
    table.SetProperties(lines);
    ASSERT_EQ(table.size(), lines.size());
    EXPECT_EQ(table[1].Name, "1");
    EXPECT_EQ(table[1].FontStyle, "12");
    EXPECT_EQ(table[2].Name, "");
    std::uint32_t field = 0;
    ASSERT_TRUE(table.FindField("f9999", field));
    EXPECT_EQ(field, lines.size() - 1);
}

} // namespace
