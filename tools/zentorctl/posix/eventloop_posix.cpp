// The loop on POSIX: a pipe wakes it; SIGINT, SIGTERM and SIGHUP write to the same pipe.
#include "tools/zentorctl/eventloop.h"

#include "classlib/base/synchronizequeue.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace zentorctl {

namespace {

constexpr std::array<int, 3> kEndSignals = {SIGINT, SIGTERM, SIGHUP};

// The pipe and flag the signal handler reaches; one loop exists at a time.
int gWakeRead = -1;
int gWakeWrite = -1;
volatile std::sig_atomic_t gInterrupted = 0;
struct sigaction gPreviousActions[kEndSignals.size()];

void Wake()
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(gWakeWrite, &byte, 1); // a full pipe wakes the loop anyway
}

extern "C" void OnEndSignal(int)
{
    const int savedErrno = errno;
    gInterrupted = 1;
    Wake();
    errno = savedErrno;
}

} // namespace

TEventLoop::TEventLoop()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the wake-up pipe");
    gWakeRead = fds[0];
    gWakeWrite = fds[1];
    gInterrupted = 0;
    InstallSignalHandlers();
    TSynchronizeQueue::Instance().SetWakeHook(Wake);
}

TEventLoop::~TEventLoop()
{
    TSynchronizeQueue::Instance().SetWakeHook({});
    RestoreSignalHandlers();
    ::close(gWakeRead);
    ::close(gWakeWrite);
    gWakeRead = gWakeWrite = -1;
}

void TEventLoop::InstallSignalHandlers()
{
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kEndSignals.size(); ++i)
        sigaction(kEndSignals[i], &action, &gPreviousActions[i]);
}

void TEventLoop::RestoreSignalHandlers()
{
    for (std::size_t i = 0; i < kEndSignals.size(); ++i)
        sigaction(kEndSignals[i], &gPreviousActions[i], nullptr);
}

bool TEventLoop::Interrupted() const { return gInterrupted != 0; }

void TEventLoop::DrainWakes()
{
    char bytes[64];
    while (::read(gWakeRead, bytes, sizeof bytes) > 0) {
    }
}

void TEventLoop::WaitForWake(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd wake{.fd = gWakeRead, .events = POLLIN, .revents = 0};
    ::poll(&wake, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
}

} // namespace zentorctl
