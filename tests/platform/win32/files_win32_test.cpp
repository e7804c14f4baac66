#include "platform/fileattributes.h"
#include "platform/files.h"
#include "platform/profilefile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace platform;

namespace {

namespace fs = std::filesystem;

// Paths as the platform layer takes them, UTF-8, and as the standard library does.
fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
std::string Utf8Of(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// A fresh folder under the temporary folder, with a name outside every ANSI code page but Windows-1251, so
// that a call through the code page would not find it.
class Win32Files : public ::testing::Test {
protected:
    fs::path folder = fs::temp_directory_path() / PathOf("zentor-файлы");

    void SetUp() override
    {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        for (const auto& entry : fs::directory_iterator(folder))
            WriteFileAttributes(Utf8Of(entry.path()), 0);
        fs::remove_all(folder);
    }
    std::string File(const std::string& name) const { return Utf8Of(folder / PathOf(name)); }
    std::size_t Entries() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }
};

std::string Contents(const std::string& path)
{
    std::ifstream in(PathOf(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(Win32Files, ReplacingCreatesThenReplacesAndLeavesNoTemporaryFile)
{
    const std::string path = File("настройки.cfg");
    ASSERT_EQ(ReplaceWholeFile(path, "[COM]\r\nCOM_port=5\r\n"), FileCause::None);
    EXPECT_EQ(Contents(path), "[COM]\r\nCOM_port=5\r\n");
    ASSERT_EQ(ReplaceWholeFile(path, "[COM]\r\nCOM_port=7\r\n"), FileCause::None);
    EXPECT_EQ(Contents(path), "[COM]\r\nCOM_port=7\r\n");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(Win32Files, ReplacingKeepsTheHiddenAndSystemAttributes)
{
    const std::string path = File("zentor.cfg");
    ASSERT_EQ(ReplaceWholeFile(path, "old"), FileCause::None);
    ASSERT_TRUE(WriteFileAttributes(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_EQ(ReplaceWholeFile(path, "new"), FileCause::None);
    EXPECT_EQ(Contents(path), "new");
    EXPECT_EQ(ReadFileAttributes(path), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

TEST_F(Win32Files, AReadOnlyFileIsLeftAlone)
{
    const std::string path = File("zentor.cfg");
    ASSERT_EQ(ReplaceWholeFile(path, "old"), FileCause::None);
    ASSERT_TRUE(WriteFileAttributes(path, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ReplaceWholeFile(path, "new"), FileCause::NoPermission);
    EXPECT_EQ(Contents(path), "old");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(Win32Files, ReadsGiveTheContentsOrTheCause)
{
    const std::string path = File("zentor.cfg");
    ASSERT_EQ(ReplaceWholeFile(path, "12345"), FileCause::None);
    fs::create_directory(folder / "sub");
    const struct {
        std::string path;
        std::size_t maxSize;
        FileCause cause;
        std::string contents;
    } cases[] = {
        {path, 5, FileCause::None, "12345"},
        {path, 4, FileCause::TooLarge, ""},
        {File("missing.cfg"), 5, FileCause::NotFound, ""},
        {File("sub"), 5, FileCause::NotAFile, ""},
    };
    for (const auto& c : cases) {
        const TFileRead read = ReadWholeFile(c.path, c.maxSize);
        EXPECT_EQ(read.Cause, c.cause) << c.path;
        EXPECT_EQ(read.Contents, c.contents) << c.path;
    }
}

TEST_F(Win32Files, ExistenceAndRemovalOfAHiddenSystemFile)
{
    const std::string path = File("zentor_debug_session.txt");
    EXPECT_FALSE(FileExists(path));
    ASSERT_EQ(ReplaceWholeFile(path, "log"), FileCause::None);
    ASSERT_TRUE(WriteFileAttributes(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(FileExists(Utf8Of(folder)));
    EXPECT_TRUE(RemoveFile(path));
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(RemoveFile(path));
}

TEST_F(Win32Files, AttributesOfAFileInAFolderNamedInCyrillic)
{
    const std::string path = File("zentor.cfg");
    ASSERT_EQ(ReplaceWholeFile(path, "[COM]\r\n"), FileCause::None);
    ASSERT_TRUE(WriteFileAttributes(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(ReadFileAttributes(path), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

TEST(Win32Paths, JoinAndTheCurrentFolder)
{
    const struct {
        const char* folder;
        const char* name;
        const char* joined;
    } cases[] = {
        {"C:\\", "zentor.cfg", "C:\\zentor.cfg"},
        {"C:\\work", "zentor.cfg", "C:\\work\\zentor.cfg"},
        {"Z:/tmp/", "zentor.cfg", "Z:/tmp/zentor.cfg"},
        {"", "zentor.cfg", "zentor.cfg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JoinPath(c.folder, c.name), c.joined);
    EXPECT_EQ(CurrentDirectory(), Utf8Of(fs::current_path()));
}

// The configuration as the program keeps it: written through the profile file, read back by a new one.
TEST_F(Win32Files, AProfileWrittenReadsBack)
{
    const std::string path = File("zentor.cfg");
    TProfileFile written(path);
    ASSERT_TRUE(written.WriteString("COM", "COM_port", "5"));
    ASSERT_TRUE(written.WriteString("COM", "COM_speed", "19200"));
    ASSERT_EQ(written.UpdateFile(), FileCause::None);
    ASSERT_TRUE(WriteFileAttributes(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    const TProfileFile read(path);
    EXPECT_EQ(read.LoadCause(), FileCause::None);
    EXPECT_EQ(read.ReadString("com", "com_port", "1"), AnsiString("5"));
    EXPECT_EQ(read.ReadString("COM", "COM_speed", "9600"), AnsiString("19200"));
}

} // namespace
