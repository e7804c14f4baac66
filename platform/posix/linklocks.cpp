#include "platform/posix/linklocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

namespace platform {

namespace {

// Open file description locks: held per open file, so they also keep two users in one process apart, and
// they can be tested without being taken.
constexpr int kAttempts = 8;

std::mutex heldLock;
std::map<std::string, int> held; // lock file path -> the open file that holds its lock; guarded by heldLock

std::string LockPath(const std::string& folder, int number)
{
    return folder + "/COM" + std::to_string(number) + ".lock";
}

struct flock WholeFile(short type)
{
    struct flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock;
}

// Opened without following a link and without waiting: a FIFO planted in the lock's place would otherwise
// block the open until a writer comes, and a terminal planted there must not become the controlling one.
int OpenLockFile(const std::string& path, int flags)
{
    return ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
}

bool IsLockFile(const struct stat& st)
{
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

bool IsLockFile(int fd)
{
    struct stat st{};
    return ::fstat(fd, &st) == 0 && IsLockFile(st);
}

const char* KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a device";
}

bool SameFile(int fd, const std::string& path)
{
    struct stat opened{}, named{};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino;
}

// The open lock file with its lock taken, or -1 when another open file holds it. A holder removes the file
// before it lets go, so a lock taken on a file that no longer has the name is tried again.
int TakeLock(const std::string& path)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = OpenLockFile(path, O_RDWR | O_CREAT);
        if (fd < 0)
            return -1;
        if (!IsLockFile(fd)) {
            ::close(fd);
            return -1;
        }
        struct flock lock = WholeFile(F_WRLCK);
        if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
            ::close(fd);
            return -1;
        }
        if (SameFile(fd, path))
            return fd;
        ::close(fd);
    }
    return -1;
}

} // namespace

bool HoldLinkLock(const std::string& folder, int number)
{
    const std::string path = LockPath(folder, number);
    const std::lock_guard guard(heldLock);
    if (held.count(path))
        return true;
    const int fd = TakeLock(path);
    if (fd < 0)
        return false;
    held[path] = fd;
    return true;
}

bool HoldsLinkLock(const std::string& folder, int number)
{
    const std::lock_guard guard(heldLock);
    return held.count(LockPath(folder, number)) == 1;
}

void ReleaseLinkLock(const std::string& folder, int number)
{
    const std::string path = LockPath(folder, number);
    const std::lock_guard guard(heldLock);
    const auto found = held.find(path);
    if (found == held.end())
        return;
    if (SameFile(found->second, path)) // something planted over the lock since is not ours to remove
        ::unlink(path.c_str());
    ::close(found->second);
    held.erase(found);
}

bool LinkLockHeld(const std::string& folder, int number)
{
    const int fd = OpenLockFile(LockPath(folder, number), O_RDONLY);
    if (fd < 0)
        return false;
    struct flock lock = WholeFile(F_WRLCK);
    const bool heldByAnyone = IsLockFile(fd) && ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return heldByAnyone;
}

std::string LinkLockProblem(const std::string& folder, int number)
{
    const std::string path = LockPath(folder, number);
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? std::string() : path + ": " + std::strerror(errno);
    if (!S_ISREG(st.st_mode))
        return path + " is " + KindOf(st.st_mode) + ", not a lock file";
    if (st.st_uid != ::geteuid())
        return path + " belongs to another user, so it is no lock file of yours";
    const int fd = OpenLockFile(path, O_RDWR);
    if (fd < 0)
        return "cannot open the lock file " + path + ": " + std::strerror(errno);
    ::close(fd);
    return {};
}

} // namespace platform
