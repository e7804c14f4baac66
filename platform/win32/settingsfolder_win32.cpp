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
constexpr const char* kUninstallerName = "uninstall.exe";
constexpr DWORD kLongPathLength = 32768;

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

std::string ProgramFolder()
{
    std::wstring path(kLongPathLength, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), kLongPathLength);
    if (length == 0 || length >= kLongPathLength)
        return {};
    path.resize(length);
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::string() : Utf8FromWide(path.substr(0, separator));
}

// The volume and the index of a folder: one folder has them however its path is spelled (case, short
// names, a mapped drive).
struct TFolderIdentity {
    DWORD Volume = 0;
    DWORD IndexHigh = 0;
    DWORD IndexLow = 0;
};

// False where the folder cannot be opened.
bool IdentityOf(const std::string& folder, TFolderIdentity& identity)
{
    const HANDLE handle = ::CreateFileW(WideFromUtf8(folder).c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information = {};
    const bool known = ::GetFileInformationByHandle(handle, &information) != FALSE;
    ::CloseHandle(handle);
    identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
    return known;
}

bool SameFolder(const std::string& first, const std::string& second)
{
    TFolderIdentity a;
    TFolderIdentity b;
    return IdentityOf(first, a) && IdentityOf(second, b) && a.Volume == b.Volume && a.IndexHigh == b.IndexHigh &&
           a.IndexLow == b.IndexLow;
}

// The installer puts its uninstaller beside the program; an archive's copy has none.
bool IsInstalledProgramFolder(const std::string& folder)
{
    const std::string program = ProgramFolder();
    return !program.empty() && FileExists(JoinPath(program, kUninstallerName)) && SameFolder(program, folder);
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
    if (TakesNewFiles(working) && !IsInstalledProgramFolder(working))
        return working;
    const std::string applicationData = ApplicationDataFolder(programName);
    return applicationData.empty() ? working : applicationData;
}

} // namespace platform
