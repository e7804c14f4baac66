#include "platform/posix/wakeup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace platform {

TWakeup::TWakeup() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

TWakeup::~TWakeup()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void TWakeup::Signal()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
}

void TWakeup::Drain()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd_, &count, sizeof count);
}

} // namespace platform
