#include "app/configfile.h"

#include "platform/fileattributes.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

namespace {

class ConfigFileTest : public ::testing::Test {
protected:
    TTempFolder folder;
    TConfigFile config;
    std::string path = folder.File("zentor.cfg");

    void SetUp() override
    {
        config.Directory = folder.Path();
        config.DebugLogPath = folder.File("zentor_debug_session.txt");
    }
    bool HiddenAndSystem() const { return platform::ReadFileAttributes(path) == 6u; }
};

} // namespace

TEST(ConfigFileRecord, StartsWithDefaultsInTheWorkingDirectory)
{
    const TConfigFile config;
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(config.FileName, "zentor.cfg");
    EXPECT_EQ(config.Directory, cwd);
    EXPECT_EQ(config.ComPort, 1);
    EXPECT_EQ(config.ComSpeed, 9600);
    EXPECT_EQ(config.DebugLogPath, cwd + "/zentor_debug_session.txt");
    EXPECT_EQ(config.FullName(), cwd + "/zentor.cfg");
}

TEST_F(ConfigFileTest, MissingFileIsWrittenWithTheCurrentValuesHiddenAndSystem)
{
    EXPECT_FALSE(config.LoadConfig());
    EXPECT_EQ(ReadTextFile(path), "[COM]\nCOM_port=1\nCOM_speed=9600\n");
    EXPECT_TRUE(HiddenAndSystem());
    EXPECT_TRUE(config.LoadConfig());
    EXPECT_EQ(config.ComPort, 1);
    EXPECT_EQ(config.ComSpeed, 9600);
}

TEST_F(ConfigFileTest, SavedValuesComeBackAndOtherContentStays)
{
    WriteTextFile(path, "; mine\r\n[Other]\r\nCOM_port=8\r\n[com]\r\ncom_port=5\r\nCOM_speed=19200\r\nnote=x\r\n");
    EXPECT_TRUE(config.LoadConfig());
    EXPECT_EQ(config.ComPort, 5);
    EXPECT_EQ(config.ComSpeed, 19200);
    EXPECT_TRUE(HiddenAndSystem());

    config.ComPort = 4;
    config.ComSpeed = 57600;
    config.SaveConfig();
    EXPECT_EQ(ReadTextFile(path), "; mine\r\n[Other]\r\nCOM_port=8\r\n[com]\r\nCOM_port=4\r\nCOM_speed=57600\r\nnote=x\r\n");
    TConfigFile again;
    again.Directory = folder.Path();
    EXPECT_TRUE(again.LoadConfig());
    EXPECT_EQ(again.ComPort, 4);
    EXPECT_EQ(again.ComSpeed, 57600);
}

TEST_F(ConfigFileTest, MalformedOrMissingValues)
{
    const struct {
        std::string contents;
        std::int32_t port;
        std::int32_t speed;
    } cases[] = {
        {"[COM]\nCOM_port=abc\nCOM_speed=19200\n", 1, 19200},
        {"[COM]\nCOM_port=3\n", 3, 57600},                       // missing key: the value held before
        {"[COM]\nCOM_port=\nCOM_speed=\n", 1, 9600},
        {"[COM]\nCOM_port= 7 \nCOM_speed=1e5\n", 7, 9600},
        {"[COM]\nCOM_port=99999999999\nCOM_speed=-5\n", 1, -5},
        {std::string("[COM]\nCOM_port=2\0\nCOM_speed=\0\n", 30), 1, 9600},
        {"garbage without sections", 6, 57600},
        {"", 6, 57600},
    };
    for (const auto& c : cases) {
        WriteTextFile(path, c.contents);
        config.ComPort = 6;
        config.ComSpeed = 57600;
        EXPECT_TRUE(config.LoadConfig()) << c.contents;
        EXPECT_EQ(config.ComPort, c.port) << c.contents;
        EXPECT_EQ(config.ComSpeed, c.speed) << c.contents;
    }
}

TEST_F(ConfigFileTest, FileThatCannotBeReadKeepsValuesAndIsNotOverwritten)
{
    const std::string huge(2 * 1024 * 1024, 'x');
    WriteTextFile(path, huge);
    config.ComPort = 3;
    EXPECT_TRUE(config.LoadConfig());
    EXPECT_EQ(config.ComPort, 3);
    EXPECT_EQ(config.ComSpeed, 9600);
    config.SaveConfig();
    EXPECT_EQ(ReadTextFile(path), huge);
}

TEST_F(ConfigFileTest, FolderInPlaceOfTheFileStaysAndNothingBreaks)
{
    std::filesystem::create_directory(path);
    EXPECT_FALSE(config.LoadConfig());
    config.SaveConfig();
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(EntryCount(folder.Path()), 1u);
}

TEST_F(ConfigFileTest, ReadOnlyFolderFailsSilently)
{
    WriteTextFile(path, "[COM]\nCOM_port=2\n");
    if (!MakeFolderReadOnly(folder.Path()))
        GTEST_SKIP() << "running as root without the right to make a folder immutable";
    EXPECT_TRUE(config.LoadConfig());
    EXPECT_EQ(config.ComPort, 2);
    config.ComPort = 9;
    config.SaveConfig();
    MakeFolderWritable(folder.Path());
    EXPECT_EQ(ReadTextFile(path), "[COM]\nCOM_port=2\n");
    EXPECT_EQ(EntryCount(folder.Path()), 1u);
}

TEST_F(ConfigFileTest, LinkedFileIsUpdatedAndStaysLinked)
{
    std::filesystem::create_directory(folder.File("real"));
    const std::string target = folder.File("real/settings.ini");
    WriteTextFile(target, "[COM]\nCOM_port=2\n");
    std::filesystem::create_symlink(target, path);
    EXPECT_TRUE(config.LoadConfig());
    EXPECT_EQ(config.ComPort, 2);
    config.SaveConfig();
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(ReadTextFile(target), "[COM]\nCOM_port=2\nCOM_speed=9600\n");
    EXPECT_EQ(platform::ReadFileAttributes(target), 6u);
}

TEST_F(ConfigFileTest, PipeDeviceOrLinkLoopInPlaceOfTheFileNeitherHangsNorChanges)
{
    const std::function<void()> makers[] = {
        [&] { ::mkfifo(path.c_str(), 0600); },
        [&] { std::filesystem::create_symlink("/dev/zero", path); },
        [&] { std::filesystem::create_symlink("zentor.cfg", path); },
    };
    for (const auto& make : makers) {
        std::filesystem::remove(path);
        make();
        const auto before = std::filesystem::symlink_status(path).type();
        config.ComPort = 3;
        config.LoadConfig();
        config.SaveConfig();
        EXPECT_EQ(config.ComPort, 3);
        EXPECT_EQ(std::filesystem::symlink_status(path).type(), before);
        EXPECT_EQ(EntryCount(folder.Path()), 1u);
    }
}

TEST_F(ConfigFileTest, EachWorkingDirectoryHasItsOwnFile)
{
    TTempFolder other;
    TConfigFile second;
    second.Directory = other.Path();
    second.ComPort = 7;
    config.ComPort = 3;
    EXPECT_FALSE(config.LoadConfig());
    EXPECT_FALSE(second.LoadConfig());
    EXPECT_EQ(ReadTextFile(path), "[COM]\nCOM_port=3\nCOM_speed=9600\n");
    EXPECT_EQ(ReadTextFile(other.File("zentor.cfg")), "[COM]\nCOM_port=7\nCOM_speed=9600\n");
}

TEST_F(ConfigFileTest, DebugLogIsDeletedWhenPresent)
{
    WriteTextFile(config.DebugLogPath, "log");
    config.DeleteDebugLog();
    EXPECT_FALSE(std::filesystem::exists(config.DebugLogPath));
    config.DeleteDebugLog();
    EXPECT_EQ(EntryCount(folder.Path()), 0u);
}

TEST_F(ConfigFileTest, SeedFolderGivesTheFirstValuesOnlyWhileTheOwnFileIsMissing)
{
    TTempFolder seed;
    WriteTextFile(seed.File("zentor.cfg"), "[COM]\r\nCOM_port=5\r\nCOM_speed=38400\r\n");
    const struct {
        std::string seedDirectory;
        std::string ownFile; // empty: none
        std::int32_t port;
        std::int32_t speed;
    } cases[] = {
        {seed.Path(), "", 5, 38400},
        {seed.Path(), "[COM]\nCOM_port=2\nCOM_speed=19200\n", 2, 19200},
        {"", "", 1, 9600},
        {folder.Path(), "", 1, 9600}, // the seed is the own folder: nothing there either
    };
    for (const auto& c : cases) {
        std::filesystem::remove(path);
        if (!c.ownFile.empty())
            WriteTextFile(path, c.ownFile);
        TConfigFile fresh;
        fresh.Directory = folder.Path();
        fresh.SeedDirectory = c.seedDirectory;
        const bool hadOwnFile = fresh.LoadConfig();
        EXPECT_TRUE(hadOwnFile || fresh.LoadConfig()) << "the own file was not written";
        EXPECT_EQ(fresh.ComPort, c.port) << c.seedDirectory << " " << c.ownFile;
        EXPECT_EQ(fresh.ComSpeed, c.speed) << c.seedDirectory << " " << c.ownFile;
        EXPECT_EQ(ReadTextFile(seed.File("zentor.cfg")), "[COM]\r\nCOM_port=5\r\nCOM_speed=38400\r\n");
    }
    EXPECT_EQ(ReadTextFile(path), "[COM]\nCOM_port=1\nCOM_speed=9600\n");
}

TEST(ConfigFileRecord, SeedsNothingWhereTheSettingsStayInTheWorkingDirectory)
{
    const TConfigFile config;
    EXPECT_EQ(config.Directory, std::filesystem::current_path().string());
    EXPECT_EQ(config.SeedDirectory, "");
}
