#include "app/configfile.h"

#include "classlib/base/sysutils.h"
#include "platform/fileattributes.h"
#include "platform/files.h"
#include "platform/profilefile.h"
#include "platform/settingsfolder.h"

namespace {

const AnsiString kSection = "COM";
const AnsiString kPortKey = "COM_port";
const AnsiString kSpeedKey = "COM_speed";
constexpr std::int32_t kDefaultPort = 1;
constexpr std::int32_t kDefaultSpeed = 9600;
constexpr const char* kDebugLogName = "zentor_debug_session.txt";
constexpr const char* kProgramName = "Zentor";

std::int32_t ReadNumber(const platform::TProfileFile& profile, const AnsiString& key, std::int32_t current,
                        std::int32_t fallback)
{
    return StrToIntDef(profile.ReadString(kSection, key, IntToStr(current)), fallback);
}

void MarkHiddenAndSystem(const std::string& path)
{
    platform::WriteFileAttributes(path, platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_SYSTEM);
}

} // namespace

TConfigFile ConfigFile;

TConfigFile::TConfigFile()
    : Directory(platform::SettingsFolder(kProgramName)), DebugLogPath(platform::JoinPath(Directory, kDebugLogName))
{
    const std::string working = platform::CurrentDirectory();
    if (Directory != working)
        SeedDirectory = working;
}

std::string TConfigFile::FullName() const
{
    return platform::JoinPath(Directory, FileName);
}

bool TConfigFile::LoadConfig()
{
    const std::string path = FullName();
    if (!platform::FileExists(path)) {
        const std::string seed = platform::JoinPath(SeedDirectory, FileName);
        if (!SeedDirectory.empty() && platform::FileExists(seed))
            ReadValues(seed);
        SaveConfig();
        return false;
    }
    ReadValues(path);
    MarkHiddenAndSystem(path);
    return true;
}

void TConfigFile::ReadValues(const std::string& path)
{
    const platform::TProfileFile profile(path);
    ComPort = ReadNumber(profile, kPortKey, ComPort, kDefaultPort);
    ComSpeed = ReadNumber(profile, kSpeedKey, ComSpeed, kDefaultSpeed);
}

void TConfigFile::SaveConfig() const
{
    const std::string path = FullName();
    platform::TProfileFile profile(path);
    profile.WriteString(kSection, kPortKey, IntToStr(ComPort));
    profile.WriteString(kSection, kSpeedKey, IntToStr(ComSpeed));
    if (profile.UpdateFile() == platform::FileCause::None)
        MarkHiddenAndSystem(path);
}

void TConfigFile::DeleteDebugLog() const
{
    platform::RemoveFile(DebugLogPath);
}
