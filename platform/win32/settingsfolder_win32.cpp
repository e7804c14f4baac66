// Whether a folder takes new files is asked of the system by making one: its security settings, a
// read-only medium and the user's rights all count, as they will for the save.
#include "platform/settingsfolder.h"

#include "platform/files.h"
#include "platform/win32/widetext.h"

#include <windows.h>

#include <shlobj.h>

namespace platform {

namespace {

constexpr int kProbeNameTries = 16;

std::string ProbeName(const std::string& folder, int attempt)
{
    return JoinPath(folder, ".zentor-probe-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                std::to_string(attempt));
}

// A hidden temporary file that the system deletes as its handle closes.
bool TakesNewFiles(const std::string& folder)
{
    for (int attempt = 0; attempt < kProbeNameTries; ++attempt) {
        const HANDLE probe = ::CreateFileW(WideFromUtf8(ProbeName(folder, attempt)).c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_NEW,
                                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                           nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            ::CloseHandle(probe);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

// "%APPDATA%\<programName>", made when missing; empty when there is none.
std::string ApplicationDataFolder(const std::string& programName)
{
    wchar_t roaming[MAX_PATH] = {};
    if (::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, roaming) != S_OK)
        return {};
    const std::string folder = JoinPath(Utf8FromWide(roaming), programName);
    ::CreateDirectoryW(WideFromUtf8(folder).c_str(), nullptr);
    const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(folder).c_str());
    // A file of that name, planted or left, is no folder to keep settings in.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return {};
    return folder;
}

} // namespace

std::string SettingsFolder(const std::string& programName)
{
    const std::string working = CurrentDirectory();
    if (TakesNewFiles(working))
        return working;
    const std::string applicationData = ApplicationDataFolder(programName);
    return applicationData.empty() ? working : applicationData;
}

} // namespace platform
