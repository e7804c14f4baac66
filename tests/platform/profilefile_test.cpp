#include "platform/profilefile.h"

#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace platform;

namespace {

class ProfileFile : public ::testing::Test {
protected:
    TTempFolder folder;
    std::string path = folder.File("zentor.cfg");

    TProfileFile Load(const std::string& contents)
    {
        WriteTextFile(path, contents);
        return TProfileFile(path);
    }
};

const std::string kSample =
    "; remembered link\r\n"
    "orphan=1\r\n"
    "[other]\r\n"
    "COM_port=7\r\n"
    "  [ com ]  \r\n"
    "  com_PORT  =  5  \r\n"
    "COM_speed='19200'\r\n"
    "COM_port=6\r\n"
    "quoted=\"a b\"\r\n"
    "half=\"x\r\n"
    "novalue\r\n"
    "empty=\r\n"
    "[COM]\r\n"
    "extra=9\r\n";

} // namespace

TEST_F(ProfileFile, ReadsTheFirstMatchIgnoringCaseAndBlanks)
{
    const TProfileFile profile = Load(kSample);
    EXPECT_EQ(profile.LoadCause(), FileCause::None);
    const struct {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"COM", "COM_port", "5"}, {"Com", "com_port", "5"}, {"COM", "COM_speed", "19200"},
        {"COM", "quoted", "a b"}, {"COM", "half", "\"x"}, {"COM", "empty", ""}, {"other", "COM_port", "7"},
        {"COM", "novalue", "-"}, {"COM", "extra", "-"}, {"COM", "orphan", "-"}, {"", "orphan", "-"},
        {"COM", "missing", "-"}, {"missing", "COM_port", "-"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(profile.ReadString(c.section, c.key, "-"), c.expected) << c.section << "/" << c.key;
}

TEST_F(ProfileFile, MissingFileReadsAsEmpty)
{
    const TProfileFile profile(path);
    EXPECT_EQ(profile.LoadCause(), FileCause::None);
    EXPECT_EQ(profile.ReadString("COM", "COM_port", "1"), "1");
}

TEST_F(ProfileFile, CyrillicNamesIgnoreCase)
{
    const TProfileFile profile = Load(AnsiString::FromUtf8("[Порт]\nИмя=1\n").Bytes());
    EXPECT_EQ(profile.ReadString(AnsiString::FromUtf8("пОРТ"), AnsiString::FromUtf8("иМЯ"), "-"), "1");
}

TEST_F(ProfileFile, WritesChangeOnlyTheirLinesAndKeepEverythingElse)
{
    const struct {
        std::string before;
        std::string after;
    } cases[] = {
        {"", "[COM]\nCOM_port=4\n"},
        {"[COM]\r\nCOM_port=1\r\n", "[COM]\r\nCOM_port=4\r\n"},
        {"x=1\n[com]\n  com_port = 2 ; old\n\n[next]\n", "x=1\n[com]\nCOM_port=4\n\n[next]\n"},
        {"[COM]\nCOM_speed=9600\n\n\n[next]\na=1", "[COM]\nCOM_speed=9600\nCOM_port=4\n\n\n[next]\na=1"},
        {"[COM]\nCOM_speed=9600", "[COM]\nCOM_speed=9600\nCOM_port=4\n"},
        {"[other]\r\na=1", "[other]\r\na=1\r\n[COM]\r\nCOM_port=4\r\n"},
        {"[COM]\nCOM_port=1\n[COM]\nCOM_port=2\n", "[COM]\nCOM_port=4\n[COM]\nCOM_port=2\n"},
        {"[COM]\nCOM_port=1\nCOM_port=2\n", "[COM]\nCOM_port=4\nCOM_port=2\n"},
        {std::string("\0junk\xff\n[COM]\nCOM_port=1\n\0", 25), std::string("\0junk\xff\n[COM]\nCOM_port=4\n\0", 25)},
        {"[COM\nCOM_port=1\n", "[COM\nCOM_port=1\n[COM]\nCOM_port=4\n"},
    };
    for (const auto& c : cases) {
        TProfileFile profile = Load(c.before);
        ASSERT_TRUE(profile.WriteString("COM", "COM_port", "4"));
        ASSERT_EQ(profile.UpdateFile(), FileCause::None);
        EXPECT_EQ(ReadTextFile(path), c.after) << c.before;
        EXPECT_EQ(TProfileFile(path).ReadString("COM", "COM_port", "-"), "4") << c.before;
    }
}

TEST_F(ProfileFile, NothingIsWrittenBeforeUpdateFile)
{
    TProfileFile profile(path);
    profile.WriteString("COM", "COM_port", "4");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(profile.ReadString("COM", "COM_port", "-"), "4");
    EXPECT_EQ(profile.UpdateFile(), FileCause::None);
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(ProfileFile, RefusesNamesAndValuesThatBreakTheLineStructure)
{
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"", "k", "v"}, {" COM", "k", "v"}, {"a]b", "k", "v"}, {"a\nb", "k", "v"},
        {"COM", "", "v"}, {"COM", "k=x", "v"}, {"COM", "k\r", "v"}, {"COM", "[k", "v"}, {"COM", ";k", "v"},
        {"COM", " k", "v"}, {"COM", "k", "1\n[evil]"}, {"COM", "k", "1\r"},
    };
    TProfileFile profile = Load("[COM]\nk=old\n");
    for (const auto& c : cases)
        EXPECT_FALSE(profile.WriteString(c.section, c.key, c.value)) << c.section << "/" << c.key << "/" << c.value;
    EXPECT_EQ(profile.Text(), "[COM]\nk=old\n");
}

TEST_F(ProfileFile, FileThatCannotBeReadIsNeverOverwritten)
{
    const std::string huge(TProfileFile::kMaxSize + 1, 'x');
    TProfileFile profile = Load(huge);
    EXPECT_EQ(profile.LoadCause(), FileCause::TooLarge);
    EXPECT_EQ(profile.ReadString("COM", "COM_port", "-"), "-");
    profile.WriteString("COM", "COM_port", "4");
    EXPECT_EQ(profile.UpdateFile(), FileCause::TooLarge);
    EXPECT_EQ(ReadTextFile(path), huge);
}

TEST_F(ProfileFile, FolderInPlaceOfTheFileStaysAFolder)
{
    std::filesystem::create_directory(path);
    TProfileFile profile(path);
    EXPECT_EQ(profile.LoadCause(), FileCause::NotAFile);
    profile.WriteString("COM", "COM_port", "4");
    EXPECT_EQ(profile.UpdateFile(), FileCause::NotAFile);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(ProfileFile, HugeLineWithinTheLimitIsKept)
{
    const std::string line(TProfileFile::kMaxSize / 2, 'z');
    TProfileFile profile = Load(line);
    profile.WriteString("COM", "COM_port", "4");
    ASSERT_EQ(profile.UpdateFile(), FileCause::None);
    EXPECT_EQ(ReadTextFile(path), line + "\n[COM]\nCOM_port=4\n");
}

TEST_F(ProfileFile, ByteOrderMarkBeforeTheFirstSectionIsKeptAndSkipped)
{
    TProfileFile profile = Load("\xEF\xBB\xBF[COM]\nCOM_port=5\n");
    EXPECT_EQ(profile.ReadString("COM", "COM_port", "-"), "5");
    profile.WriteString("COM", "COM_port", "4");
    ASSERT_EQ(profile.UpdateFile(), FileCause::None);
    EXPECT_EQ(ReadTextFile(path), "\xEF\xBB\xBF[COM]\nCOM_port=4\n");
}

namespace {

// UTF-16 of UTF-8 text, with its byte-order mark, in either byte order.
std::string Utf16File(const std::u16string& text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

class Utf16ProfileFile : public ProfileFile, public ::testing::WithParamInterface<bool> {};

} // namespace

// A file saved as "Unicode" by Notepad: read as UTF-16, its one section updated in place rather than a second
// one appended, and written back in UTF-16 of the same byte order, keeping characters Windows-1251 lacks.
TEST_P(Utf16ProfileFile, IsReadAndWrittenBackAsUtf16)
{
    const bool bigEndian = GetParam();
    TProfileFile profile = Load(Utf16File(u"; 设置 \U0001F600\r\n[com]\r\nCOM_port=5\r\nПорт=Да\r\nCOM_speed=9600", bigEndian));
    EXPECT_EQ(profile.ReadString("COM", "COM_port", "-"), "5");
    EXPECT_EQ(profile.ReadString("COM", "COM_speed", "-"), "9600");
    EXPECT_EQ(profile.ReadString("COM", AnsiString::FromUtf8("ПОРТ"), "-").ToUtf8(), "Да");
    profile.WriteString("COM", "COM_port", "7");
    profile.WriteString("COM", "COM_speed", "19200");
    profile.WriteString("COM", AnsiString::FromUtf8("Режим"), AnsiString::FromUtf8("Стираем"));
    ASSERT_EQ(profile.UpdateFile(), FileCause::None);
    EXPECT_EQ(ReadTextFile(path), Utf16File(u"; 设置 \U0001F600\r\n[com]\r\nCOM_port=7\r\nПорт=Да\r\nCOM_speed=19200\r\n"
                                            u"Режим=Стираем\r\n",
                                            bigEndian));
}

TEST_P(Utf16ProfileFile, NewSectionOfAnEmptyUnicodeFileIsUtf16)
{
    const bool bigEndian = GetParam();
    TProfileFile profile = Load(Utf16File(u"", bigEndian));
    profile.WriteString("COM", "COM_port", "3");
    ASSERT_EQ(profile.UpdateFile(), FileCause::None);
    EXPECT_EQ(ReadTextFile(path), Utf16File(u"[COM]\nCOM_port=3\n", bigEndian));
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Utf16ProfileFile, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "BigEndian" : "LittleEndian"; });

// Bad input keeps what it has: a last byte of no pair stays at the end, a lone surrogate reads as '?'.
TEST_F(ProfileFile, BrokenUtf16KeepsItsBytes)
{
    const std::string broken = Utf16File(u"[COM]\r\nname=\xD800x\r\nCOM_port=1\r\n", false) + "\x41";
    TProfileFile profile = Load(broken);
    EXPECT_EQ(profile.ReadString("COM", "name", "-"), "?x");
    EXPECT_EQ(profile.Text(), broken);
    profile.WriteString("COM", "COM_port", "2");
    ASSERT_EQ(profile.UpdateFile(), FileCause::None);
    EXPECT_EQ(ReadTextFile(path), Utf16File(u"[COM]\r\nname=\xD800x\r\nCOM_port=2\r\n", false) + "\x41");
}
