#include "platform/posix/linklocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return -1;
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
    ::unlink(path.c_str());
    ::close(found->second);
    held.erase(found);
}

bool LinkLockHeld(const std::string& folder, int number)
{
    const int fd = ::open(LockPath(folder, number).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock = WholeFile(F_WRLCK);
    const bool heldByAnyone = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return heldByAnyone;
}

} // namespace platform
