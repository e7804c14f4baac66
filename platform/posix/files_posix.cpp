// Files on POSIX systems. Replacement writes a uniquely named temporary file in the target's folder,
// flushes it to disk and renames it over the target.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <random>

namespace platform {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr int kTemporaryNameTries = 16;
constexpr const char* kAttributeName = "user.dos.attributes";

FileCause CauseOfErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return FileCause::NotFound;
    case EACCES:
    case EPERM:
    case EROFS: return FileCause::NoPermission;
    case EISDIR:
    case ELOOP: return FileCause::NotAFile;
    case EFBIG: return FileCause::TooLarge;
    default: return FileCause::IoError;
    }
}

class TDescriptor {
public:
    explicit TDescriptor(int fd) : fd_(fd) {}
    ~TDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return fd_; }
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The regular file that a save must replace: path itself, or the file its link leads to.
FileCause ResolveTarget(const std::string& path, std::string& target)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) {
        target = path;
        return errno == ENOENT ? FileCause::None : CauseOfErrno(errno);
    }
    if (S_ISLNK(st.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
        if (!resolved || ::stat(resolved.get(), &st) != 0)
            return FileCause::NotAFile;
        target = resolved.get();
    } else {
        target = path;
    }
    if (!S_ISREG(st.st_mode))
        return FileCause::NotAFile;
    // A rename would pass over a file that its owner has made read-only; such a file is left alone.
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0 ? FileCause::None : CauseOfErrno(errno);
}

std::string TemporaryName(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    return JoinPath(FolderOf(target), "." + NameOf(target) + "." + std::to_string(::getpid()) + "-" +
                                          std::to_string(counter++) + "-" + std::to_string(random() % 1000000));
}

// Opens a new temporary file beside target; the process's umask applies to its mode.
int CreateTemporary(const std::string& target, std::string& name)
{
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        name = TemporaryName(target);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            break;
    }
    name.clear();
    return -1;
}

bool WriteAll(int fd, const std::string& contents)
{
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// The old file's mode, owner and attribute bits go to its replacement; a failure here loses nothing.
void KeepIdentity(const std::string& target, int fd)
{
    struct stat st{};
    if (::stat(target.c_str(), &st) != 0)
        return;
    ::fchmod(fd, st.st_mode & 07777);
    if (::fchown(fd, st.st_uid, st.st_gid) != 0)
        ::fchmod(fd, st.st_mode & 0777);
    char attributes[16];
    const ssize_t length = ::getxattr(target.c_str(), kAttributeName, attributes, sizeof attributes);
    if (length > 0)
        ::fsetxattr(fd, kAttributeName, attributes, static_cast<std::size_t>(length), 0);
}

void SyncFolder(const std::string& folder)
{
    TDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        ::fsync(dir.Get());
}

FileCause WriteTemporary(const std::string& target, const std::string& contents, std::string& name)
{
    TDescriptor fd(CreateTemporary(target, name));
    if (fd.Get() < 0)
        return CauseOfErrno(errno);
    KeepIdentity(target, fd.Get());
    if (!WriteAll(fd.Get(), contents) || ::fsync(fd.Get()) != 0) {
        const int error = errno;
        fd.Close();
        return CauseOfErrno(error);
    }
    return fd.Close() ? FileCause::None : CauseOfErrno(errno);
}

FileCause RegularFileCause(const std::string& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return CauseOfErrno(errno);
    return S_ISREG(st.st_mode) ? FileCause::None : FileCause::NotAFile;
}

FileCause ReadOpenFile(int fd, std::size_t maxSize, std::string& contents)
{
    struct stat st{};
    if (::fstat(fd, &st) != 0)
        return CauseOfErrno(errno);
    if (!S_ISREG(st.st_mode))
        return FileCause::NotAFile;
    if (static_cast<std::size_t>(st.st_size) > maxSize)
        return FileCause::TooLarge;
    std::string chunk(kReadChunk, '\0');
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return CauseOfErrno(errno);
        if (n == 0)
            return FileCause::None;
        if (contents.size() + static_cast<std::size_t>(n) > maxSize)
            return FileCause::TooLarge;
        contents.append(chunk.data(), static_cast<std::size_t>(n));
    }
}

} // namespace

std::string CurrentDirectory()
{
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    return cwd ? std::string(cwd.get()) : std::string();
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool FileExists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

TFileRead ReadWholeFile(const std::string& path, std::size_t maxSize)
{
    TFileRead result;
    // Checked before opening too: opening a device node can have effects of its own (a serial port raises DTR).
    result.Cause = RegularFileCause(path);
    if (result.Cause != FileCause::None)
        return result;
    TDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    result.Cause = fd.Get() < 0 ? CauseOfErrno(errno) : ReadOpenFile(fd.Get(), maxSize, result.Contents);
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
    if (cause == FileCause::None && ::rename(temporary.c_str(), target.c_str()) != 0)
        cause = CauseOfErrno(errno);
    if (cause != FileCause::None) {
        if (!temporary.empty())
            ::unlink(temporary.c_str());
        return cause;
    }
    SyncFolder(FolderOf(target));
    return FileCause::None;
}

} // namespace platform
