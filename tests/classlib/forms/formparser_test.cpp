#include "classlib/forms/formparser.h"

#include "classlib/base/exception.h"
#include "support/peakmemory.h"
#include "support/sanitizedbuild.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using Kind = TFormValue::Kind;

const TFormProperty& PropertyNamed(const TFormObject& object, const std::string& name)
{
    for (const TFormProperty& property : object.properties)
        if (property.name == name)
            return property;
    throw std::runtime_error("no property " + name);
}

std::string ErrorOf(const std::string& text)
{
    try {
        TFormParser::Parse(text);
    } catch (const EReadError& error) {
        return error.Message().ToUtf8();
    }
    return "no error";
}

std::string SetOf(int count)
{
    std::string members = "m0";
    for (int i = 1; i < count; ++i)
        members += ", m" + std::to_string(i);
    return "[" + members + "]";
}

} // namespace

TEST(TFormParser, ReadsEveryKindOfValueWithItsLine)
{
    const TFormObject form = TFormParser::Parse(
        "object MainForm: TMainForm\n"
        "  Left = -12\n"
        "  Ratio = 1.5E2\n"
        "  Mask = $FF\n"
        "  Caption = ' It''s ' + 'Стирание'#13#10'!'\n"
        "  Color = clBtnFace\n"
        "  Font.Style = [fsBold, fsItalic]\n"
        "  Options = []\n"
        "  Items.Strings = (\n"
        "    '9600'\n"
        "    '19200')\n"
        "  Data = {\n"
        "    89504e47\n"
        "    0D0A}\n"
        "  PngImages = <\n"
        "    item\n"
        "      Name = 'PngImage0'\n"
        "    end\n"
        "    item\n"
        "    end>\n"
        "  object Panel1: TPanel\n"
        "    object BTN_Quit: TXpButton\n"
        "    end\n"
        "  end\n"
        "end\n");

    EXPECT_EQ(form.name, "MainForm");
    EXPECT_EQ(form.className, "TMainForm");
    EXPECT_EQ(PropertyNamed(form, "Left").value.integer, -12);
    EXPECT_EQ(PropertyNamed(form, "Left").line, 2);
    EXPECT_EQ(PropertyNamed(form, "Ratio").value.kind, Kind::Float);
    EXPECT_DOUBLE_EQ(PropertyNamed(form, "Ratio").value.number, 150.0);
    EXPECT_EQ(PropertyNamed(form, "Mask").value.integer, 255);
    EXPECT_EQ(PropertyNamed(form, "Caption").value.text, QString::fromUtf8(" It's Стирание\r\n!"));
    EXPECT_EQ(PropertyNamed(form, "Color").value.kind, Kind::Identifier);
    EXPECT_EQ(PropertyNamed(form, "Color").value.text, "clBtnFace");
    EXPECT_EQ(PropertyNamed(form, "Font.Style").value.members, (std::vector<std::string>{"fsBold", "fsItalic"}));
    EXPECT_EQ(PropertyNamed(form, "Options").value.kind, Kind::Set);
    EXPECT_TRUE(PropertyNamed(form, "Options").value.members.empty());
    const TFormValue& list = PropertyNamed(form, "Items.Strings").value;
    ASSERT_EQ(list.list.size(), 2u);
    EXPECT_EQ(list.list[1], "19200");
    EXPECT_EQ(PropertyNamed(form, "Data").value.binary, QByteArray::fromHex("89504E470D0A"));
    const TFormProperty& images = PropertyNamed(form, "PngImages");
    ASSERT_EQ(images.value.items.size(), 2u);
    EXPECT_EQ(images.value.items[0].properties[0].value.text, "PngImage0");
    EXPECT_EQ(images.value.items[0].properties[0].line, 17);
    EXPECT_TRUE(images.value.items[1].properties.empty());
    ASSERT_EQ(form.children.size(), 1u);
    EXPECT_EQ(form.children[0].line, 21);
    ASSERT_EQ(form.children[0].children.size(), 1u);
    EXPECT_EQ(form.children[0].children[0].className, "TXpButton");
}

TEST(TFormParser, BadDescriptionsNameTheLineAndTheCause)
{
    const std::string deep = [] {
        std::string text;
        for (int i = 0; i <= TFormParser::MaxDepth; ++i)
            text += "object A" + std::to_string(i) + ": TA\n";
        return text;
    }();
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"", "Line 1: the description is empty"},
        {"  \n\n", "Line 3: the description is empty"},
        {"form A: TA\nend", "Line 1: expected 'object', found 'form'"},
        {"object A: TA\n  Left = 1\n", "Line 1: object 'A' not closed with 'end'"},
        {"object A: TA\n  Left 1\nend", "Line 2: expected '=' after 'Left', found '1'"},
        {"object A: TA\n  Caption = 'open\nend", "Line 2: string not closed with a quote"},
        {"object A: TA\n  Caption = 'a' +\n  Left\nend", "Line 3: expected a string after '+', found 'Left'"},
        {"object A: TA\n  Caption = '\x01'\nend", "Line 2: control character in a string"},
        {"object A: TA\n  Caption = '\xC3\x28'\nend", "Line 2: string is not valid UTF-8"},
        {"object A: TA\n  Caption = #55296\nend", "Line 2: character code 55296 is not a character"},
        {"object A: TA\n  Caption = #99999999\nend", "Line 2: character code out of range"},
        {"object A: TA\n  Left = 99999999999999999999\nend", "Line 2: number '99999999999999999999' out of range"},
        {"object A: TA\n  Left = $1FFFFFFFFFFFFFFFF\nend", "Line 2: number '$1FFFFFFFFFFFFFFFF' out of range"},
        {"object A: TA\n  Ratio = 1E999\nend", "Line 2: number '1E999' out of range"},
        {"object A: TA\n  Left = -\nend", "Line 2: expected a number after the sign"},
        {"object A: TA\n  Data = {\n  0A0G}\nend", "Line 3: bad hexadecimal digit 'G' in a binary value"},
        {"object A: TA\n  Data = {\n  0A0}\nend", "Line 3: binary value with an odd number of hexadecimal digits"},
        {"object A: TA\n  Data = {\n  0A0B\n", "Line 2: binary value not closed with '}'"},
        {"object A: TA\n  Style = [a b]\nend", "Line 2: expected ']' to close the set, found 'b'"},
        {"object A: TA\n  Items = (\n  'a'\n", "Line 2: list not closed with ')'"},
        {"object A: TA\n  Images = <\n  item\n", "Line 3: item not closed with 'end'"},
        {"object A: TA\n  Images = <\n  item\n  end\n", "Line 2: collection not closed with '>'"},
        {"object A: TA\n  Images = <\n  thing\n  end>\nend", "Line 3: expected 'item' or '>' in a collection"},
        {"object A: TA\n  Left = ;\nend", "Line 2: expected a value, found ';'"},
        {"object A: TA\n  Left = 1\nend\nobject B: TB\nend", "Line 4: unexpected 'object' after the end of the root"},
        {std::string("object A: TA\n  Left = \0\nend", 27), "Line 2: expected a value, found '?'"},
        {"object A: TA\n  Caption = '" + std::string(TFormParser::MaxLineLength, 'x') + "'\nend",
         "Line 2: line longer than 1048576 characters"},
        {deep, "Line 65: objects nested deeper than 64 levels"},
        {"object A: TA\n  Caption =\nend\n", "Line 2: property 'Caption' has no value before 'end'"},
        {"object A: TA\n  Images = <\n    item\n      Name =\n    end>\nend\n",
         "Line 4: property 'Name' has no value before 'end'"},
        {"object A: TA\n  Caption =\n  object B: TB\n  end\nend\n", "Line 2: property 'Caption' has no value before 'object'"},
        {"object A: TA\n  Left = 1\n  Left = 2\nend\n", "Line 3: A (TA): property Left is given twice"},
        {"object A: TA\n  Images = <\n    item\n    end\n    item\n      Name = 'a'\n      Name = 'b'\n    end>\nend\n",
         "Line 7: A (TA).Images[1]: property Name is given twice"},
        {"object TA\n  Images = <\n    item\n      Background = 1\n      Background = 2\n    end>\nend\n",
         "Line 5: (TA).Images[0]: property Background is given twice"},
        {"object A: TA\n  Items.Strings = (\n    '1'\n    1)\nend\n", "Line 4: expected a string in a list, found '1'"},
        {"object My.Panel: TA\nend\n", "Line 1: expected the object's name without dots, found 'My.Panel'"},
        {"object A: T.A\nend\n", "Line 1: expected the object's class after ':' without dots, found 'T.A'"},
        {"object A: TA\n  Style = " + SetOf(257) + "\nend\n", "Line 2: a set holds at most 256 members"},
        {"\n\n" + std::string(TFormParser::MaxTextSize, ' '), "Line 3: the description is longer than 16777216 bytes"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorOf(c.text).substr(0, c.message.size()), c.message) << c.text.substr(0, 200);
}

TEST(TFormParser, TenMegabyteLineIsRefusedWithoutReadingIt)
{
    const std::string huge = "object A: TA\n  Data = {" + std::string(10 * 1024 * 1024, 'A') + "}\nend\n";
    EXPECT_EQ(ErrorOf(huge), "Line 2: line longer than 1048576 characters");
}

TEST(TFormParser, DeeplyNestedCollectionsAreBounded)
{
    std::string text = "object A: TA\n";
    for (int i = 0; i < 10000; ++i)
        text += "  X = < item\n";
    EXPECT_NE(ErrorOf(text).find("collections nested deeper than 64 levels"), std::string::npos);
}

TEST(TFormParser, BinaryValuesTakeDigitsInAnyCaseAcrossBlanksAndLines)
{
    const std::vector<std::pair<std::string, QByteArray>> cases = {
        {"{}", QByteArray()},
        {"{ }", QByteArray()},
        {"{89504e47}", QByteArray::fromHex("89504E47")},
        {"{\n  8950\n  4E47\n  0D}", QByteArray::fromHex("89504E470D")},
        {"{8 9 5\t0\r\n4\nE}", QByteArray::fromHex("89504E")},
        {"{aBcD" + std::string(4096, 'f') + "}", QByteArray::fromHex(QByteArray("ABCD") + QByteArray(4096, 'F'))},
    };
    for (const auto& [value, bytes] : cases) {
        const TFormObject form = TFormParser::Parse("object A: TA\n  Data = " + value + "\n  Tag = 1\nend");
        ASSERT_EQ(form.properties.size(), 2u) << value;
        EXPECT_EQ(form.properties[0].value.binary, bytes) << value;
        EXPECT_EQ(form.properties[1].line, 3 + int(std::count(value.begin(), value.end(), '\n'))) << value;
    }
}

TEST(TFormParser, ByteOrderMarkAtTheStartIsSkipped)
{
    const TFormObject form = TFormParser::Parse("\xEF\xBB\xBFobject A: TA\n  Left = 1\nend\n");
    EXPECT_EQ(form.name, "A");
    EXPECT_EQ(PropertyNamed(form, "Left").line, 2);
    EXPECT_EQ(ErrorOf("object A: TA\n\xEF\xBB\xBF\nend\n"), "Line 2: expected a property name, 'object' or 'end', found a UTF-8 byte-order mark");
}

TEST(TFormParser, SetOf256MembersIsRead)
{
    const TFormObject form = TFormParser::Parse("object A: TA\n  Style = " + SetOf(256) + "\nend\n");
    EXPECT_EQ(PropertyNamed(form, "Style").value.members.size(), 256u);
}

// The parsed form of hostile texts stays within a few times their size (peak resident memory of a child
// process; the text itself is made before the measurement starts).
struct MemoryCase {
    const char* what;
    std::string text;
    std::size_t maxGrowthPerByte;
};

std::string Repeated(const std::string& head, const std::string& piece, std::size_t bytes, const std::string& tail)
{
    std::string text = head;
    text.reserve(bytes + head.size() + tail.size() + piece.size());
    while (text.size() < bytes)
        text += piece;
    return text + tail;
}

std::string DistinctProperties(std::size_t bytes)
{
    std::string text = "object A: TA\n";
    text.reserve(bytes + 64);
    for (std::size_t i = 0; text.size() < bytes; ++i)
        text += "P" + std::to_string(i) + " = " + std::to_string(i % 10) + "\n";
    return text + "end\n";
}

TEST(TFormParser, HostileTextsTakeAFewTimesTheirSizeAtMost)
{
    if (kSanitizedBuild)
        GTEST_SKIP() << "a sanitizer runtime grows every allocation";
    constexpr std::size_t kBytes = 8u << 20;
    const MemoryCase cases[] = {
        {"short strings in a list", Repeated("object A: TA\n  L.Strings = (", "\n'ab'", kBytes, ")\nend\n"), 4},
        {"numbers in a list", Repeated("object A: TA\n  L.Strings = (", " 1", kBytes, ")\nend\n"), 1},
        {"properties of distinct names", DistinctProperties(kBytes), 32},
    };
    for (const MemoryCase& c : cases) {
        const std::optional<std::size_t> growth =
            PeakMemoryGrowth([&c] { TFormParser::Parse(c.text); }, std::chrono::seconds(120));
        ASSERT_TRUE(growth.has_value()) << c.what;
        EXPECT_LE(*growth, c.maxGrowthPerByte * c.text.size()) << c.what << ": " << *growth / (1 << 20) << " MiB";
        std::printf("%s: %zu MiB for %zu MiB of text\n", c.what, *growth >> 20, c.text.size() >> 20);
    }
}
