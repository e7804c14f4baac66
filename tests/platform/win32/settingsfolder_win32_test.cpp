// The settings folder under Wine: the working folder where it takes new files, with no probe file left
// behind; else the user's application data folder, made when missing.
#include "platform/files.h"
#include "platform/settingsfolder.h"
#include "platform/win32/widetext.h"
#include "winepeers.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <filesystem>
#include <fstream>

using namespace platform;

namespace {

namespace fs = std::filesystem;

// Runs in the given working folder and returns to the old one at the end.
class Win32SettingsFolder : public ::testing::Test {
protected:
    fs::path old = fs::current_path();
    void TearDown() override { fs::current_path(old); }

    static std::string ApplicationData()
    {
        wchar_t roaming[MAX_PATH] = {};
        EXPECT_EQ(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, roaming), S_OK);
        return Utf8FromWide(roaming);
    }
};

} // namespace

TEST_F(Win32SettingsFolder, WorkingFolderThatTakesFiles)
{
    const fs::path folder = fs::temp_directory_path() / L"zentor-настройки";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    EXPECT_EQ(SettingsFolder("Zentor"), CurrentDirectory());
    EXPECT_TRUE(fs::is_empty(folder)) << "the probe file stayed";
    fs::current_path(old);
    fs::remove_all(folder);
}

// ZENTOR_READ_ONLY_FOLDER: a folder nobody may create files in, even root (scripts/wine-tests.sh).
TEST_F(Win32SettingsFolder, ApplicationDataWhereTheWorkingFolderTakesNoFiles)
{
    const char* readOnly = std::getenv("ZENTOR_READ_ONLY_FOLDER");
    ASSERT_NE(readOnly, nullptr) << "run these tests through scripts/wine-tests.sh";
    const fs::path expected = fs::path(WideFromUtf8(ApplicationData())) / L"Zentor-тест";
    fs::remove_all(expected);
    fs::current_path(readOnly);
    const std::string folder = SettingsFolder("Zentor-тест");
    EXPECT_EQ(folder, Utf8FromWide(expected.wstring()));
    EXPECT_TRUE(fs::is_directory(expected));
    fs::remove_all(expected);
}

// A file where the folder belongs leaves the settings in the working folder, where nothing is saved, rather
// than a path under a file that nothing could ever be saved to either.
TEST_F(Win32SettingsFolder, FileInPlaceOfTheApplicationDataFolderIsNoFolder)
{
    const char* readOnly = std::getenv("ZENTOR_READ_ONLY_FOLDER");
    ASSERT_NE(readOnly, nullptr) << "run these tests through scripts/wine-tests.sh";
    const fs::path planted = fs::path(WideFromUtf8(ApplicationData())) / L"Zentor-тест";
    fs::remove_all(planted);
    std::ofstream(planted) << "not a folder";
    fs::current_path(readOnly);
    EXPECT_EQ(SettingsFolder("Zentor-тест"), CurrentDirectory());
    EXPECT_TRUE(fs::is_regular_file(planted));
    fs::remove_all(planted);
}
