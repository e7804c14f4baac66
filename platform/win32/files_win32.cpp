// Files on Windows. Paths are UTF-8 and reach the system as UTF-16. Replacement writes a uniquely named
// temporary file in the target's folder, flushes it to disk and moves it over the target.
#include "platform/files.h"

#include "platform/win32/widetext.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

namespace platform {

namespace {

constexpr DWORD kReadChunk = 64 * 1024;
constexpr int kTemporaryNameTries = 16;
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

FileCause CauseOfError(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: return FileCause::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return FileCause::NoPermission;
    case ERROR_DIRECTORY:
    case ERROR_CANT_RESOLVE_FILENAME: return FileCause::NotAFile;
    case ERROR_FILE_TOO_LARGE: return FileCause::TooLarge;
    default: return FileCause::IoError;
    }
}

FileCause LastCause() { return CauseOfError(::GetLastError()); }

class THandle {
public:
    explicit THandle(HANDLE handle) : handle_(handle) {}
    ~THandle()
    {
        if (Valid())
            ::CloseHandle(handle_);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Close()
    {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) != FALSE;
    }

private:
    HANDLE handle_;
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::size_t LastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

std::string FolderOf(const std::string& path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == std::string::npos ? "." : path.substr(0, separator + 1);
}

std::string NameOf(const std::string& path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

DWORD AttributesOf(const std::string& path) { return ::GetFileAttributesW(WideFromUtf8(path).c_str()); }

// The file a link leads to (the system's full path of it), or path itself when it is no link.
FileCause FollowLink(const std::string& path, std::string& target)
{
    target = path;
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return FileCause::None;
    THandle file(::CreateFileW(WideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid())
        return FileCause::NotAFile;
    std::wstring resolved(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(file.Get(), resolved.data(), MAX_PATH, FILE_NAME_NORMALIZED);
    if (length >= MAX_PATH) {
        resolved.resize(length);
        length = ::GetFinalPathNameByHandleW(file.Get(), resolved.data(), length, FILE_NAME_NORMALIZED);
    }
    if (length == 0)
        return FileCause::NotAFile;
    resolved.resize(length);
    target = Utf8FromWide(resolved);
    return FileCause::None;
}

// The regular file that a save must replace; a missing one is created. A read-only file is left alone, as a
// move would pass over the protection its owner gave it.
FileCause ResolveTarget(const std::string& path, std::string& target)
{
    if (const FileCause cause = FollowLink(path, target); cause != FileCause::None)
        return cause;
    const DWORD attributes = AttributesOf(target);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const FileCause cause = LastCause();
        return cause == FileCause::NotFound ? FileCause::None : cause;
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return FileCause::NotAFile;
    return attributes & FILE_ATTRIBUTE_READONLY ? FileCause::NoPermission : FileCause::None;
}

std::string TemporaryName(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    return FolderOf(target) + "." + NameOf(target) + "." + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(counter++) + "-" + std::to_string(::GetTickCount64() % 1000000);
}

// A new temporary file beside target, with the old file's hidden and system attributes.
HANDLE CreateTemporary(const std::string& target, std::string& name)
{
    const DWORD old = AttributesOf(target);
    const DWORD attributes = old == INVALID_FILE_ATTRIBUTES ? FILE_ATTRIBUTE_NORMAL : (old & kKeptAttributes);
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        name = TemporaryName(target);
        const HANDLE file = ::CreateFileW(WideFromUtf8(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        if (::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    name.clear();
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, const std::string& contents)
{
    std::size_t written = 0;
    while (written < contents.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - written, kReadChunk));
        DWORD n = 0;
        if (!::WriteFile(file, contents.data() + written, chunk, &n, nullptr) || n == 0)
            return false;
        written += n;
    }
    return true;
}

FileCause WriteTemporary(const std::string& target, const std::string& contents, std::string& name)
{
    THandle file(CreateTemporary(target, name));
    if (!file.Valid())
        return LastCause();
    if (!WriteAll(file.Get(), contents) || !::FlushFileBuffers(file.Get())) {
        const DWORD error = ::GetLastError();
        file.Close();
        return CauseOfError(error);
    }
    return file.Close() ? FileCause::None : LastCause();
}

FileCause RegularFileCause(const std::string& path)
{
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return LastCause();
    return attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE) ? FileCause::NotAFile : FileCause::None;
}

FileCause ReadOpenFile(HANDLE file, std::size_t maxSize, std::string& contents)
{
    if (::GetFileType(file) != FILE_TYPE_DISK)
        return FileCause::NotAFile;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size))
        return LastCause();
    if (static_cast<unsigned long long>(size.QuadPart) > maxSize)
        return FileCause::TooLarge;
    std::string chunk(kReadChunk, '\0');
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file, chunk.data(), kReadChunk, &n, nullptr))
            return LastCause();
        if (n == 0)
            return FileCause::None;
        if (contents.size() + n > maxSize)
            return FileCause::TooLarge;
        contents.append(chunk.data(), n);
    }
}

} // namespace

std::string CurrentDirectory()
{
    const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    folder.resize(::GetCurrentDirectoryW(size, folder.data()));
    std::string utf8 = Utf8FromWide(folder);
    // "C:\" keeps its separator: without it the name means the drive's current folder.
    if (utf8.size() > 3 && IsSeparator(utf8.back()))
        utf8.pop_back();
    return utf8;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || IsSeparator(folder.back()))
        return folder + name;
    return folder + "\\" + name;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RemoveFile(const std::string& path)
{
    return ::DeleteFileW(WideFromUtf8(path).c_str()) != FALSE;
}

TFileRead ReadWholeFile(const std::string& path, std::size_t maxSize)
{
    TFileRead result;
    // Checked before opening too: opening a device can have effects of its own (a serial port raises DTR).
    result.Cause = RegularFileCause(path);
    if (result.Cause != FileCause::None)
        return result;
    THandle file(::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    result.Cause = file.Valid() ? ReadOpenFile(file.Get(), maxSize, result.Contents) : LastCause();
    if (result.Cause != FileCause::None)
        result.Contents.clear();
    return result;
}

FileCause ReplaceWholeFile(const std::string& path, const std::string& contents)
{
    std::string target;
    if (const FileCause cause = ResolveTarget(path, target); cause != FileCause::None)
        return cause;
    std::string temporary;
    FileCause cause = WriteTemporary(target, contents, temporary);
    if (cause == FileCause::None &&
        !::MoveFileExW(WideFromUtf8(temporary).c_str(), WideFromUtf8(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        cause = LastCause();
    if (cause != FileCause::None && !temporary.empty())
        ::DeleteFileW(WideFromUtf8(temporary).c_str());
    return cause;
}

} // namespace platform
