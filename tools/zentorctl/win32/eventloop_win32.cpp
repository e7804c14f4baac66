// The loop on Windows: an event wakes it; the console's Ctrl+C, Ctrl+Break and close requests set the same event.
// Under Wine, SIGTERM and SIGHUP end the program the same way; their note is looked at between short waits.
#include "tools/zentorctl/eventloop.h"
#include "tools/zentorctl/win32/wineendsignals.h"

#include "classlib/base/synchronizequeue.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace zentorctl {

namespace {

// The event and flag the console handler reaches; one loop exists at a time.
HANDLE gWake = nullptr;
std::atomic<bool> gInterrupted{false};
bool gWineSignals = false;
constexpr DWORD kWineSignalLook = 20; // ms between looks at the note of a Wine end signal

void Wake()
{
    ::SetEvent(gWake);
}

// Runs on a thread of its own that the system starts; the main thread closes the port.
BOOL WINAPI OnConsoleEvent(DWORD)
{
    gInterrupted.store(true);
    Wake();
    return TRUE;
}

} // namespace

TEventLoop::TEventLoop()
{
    gWake = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!gWake)
        throw std::runtime_error("cannot create the wake-up event");
    gInterrupted.store(false);
    InstallSignalHandlers();
    TSynchronizeQueue::Instance().SetWakeHook(Wake);
}

TEventLoop::~TEventLoop()
{
    TSynchronizeQueue::Instance().SetWakeHook({});
    RestoreSignalHandlers();
    ::CloseHandle(gWake);
    gWake = nullptr;
}

void TEventLoop::InstallSignalHandlers()
{
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    gWineSignals = WatchWineEndSignals();
}

void TEventLoop::RestoreSignalHandlers()
{
    ReleaseWineEndSignals();
    gWineSignals = false;
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool TEventLoop::Interrupted() const { return gInterrupted.load() || WineEndSignalCame(); }

// The event resets itself when a wait ends by it.
void TEventLoop::DrainWakes()
{
    ::WaitForSingleObject(gWake, 0);
}

void TEventLoop::WaitForWake(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const long long wait = std::max<long long>(left.count(), 0);
    ::WaitForSingleObject(gWake, static_cast<DWORD>(gWineSignals ? std::min<long long>(wait, kWineSignalLook) : wait));
}

} // namespace zentorctl
