#include "tools/zentorctl/win32/wineendsignals.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace zentorctl {

namespace {

// The Linux x86-64 system calls, signals and flags used here.
constexpr long long kSysRtSigaction = 13;
constexpr std::array<int, 2> kSignals = {15 /* SIGTERM */, 1 /* SIGHUP */};
constexpr std::uint64_t kSaRestart = 0x10000000;
constexpr std::uint64_t kSaRestorer = 0x04000000;
constexpr long long kSigsetSize = 8;

// The kernel's own record of a signal action.
struct TKernelSigaction {
    void* handler = nullptr;
    std::uint64_t flags = 0;
    void* restorer = nullptr;
    std::uint64_t mask = 0;
};

std::atomic<int> gSignal{0};
std::array<TKernelSigaction, kSignals.size()> gPrevious{};
bool gWatching = false;

// Runs on whichever thread the kernel chose, possibly inside Wine: it touches nothing but the note.
extern "C" __attribute__((sysv_abi)) void ZentorctlOnWineEndSignal(int signal)
{
    gSignal.store(signal, std::memory_order_relaxed);
}

// The handler returns here, which ends the signal with the call rt_sigreturn (15).
extern "C" void ZentorctlReturnFromWineSignal();
asm(".text\n"
    ".globl ZentorctlReturnFromWineSignal\n"
    "ZentorctlReturnFromWineSignal:\n"
    "    mov $15, %eax\n"
    "    syscall\n"
    "    hlt\n");

long long RtSigaction(long long signal, const TKernelSigaction* action, TKernelSigaction* previous)
{
    long long result = 0;
    register long long size asm("r10") = kSigsetSize;
    asm volatile("syscall"
                 : "=a"(result)
                 : "a"(kSysRtSigaction), "D"(signal), "S"(action), "d"(previous), "r"(size)
                 : "rcx", "r11", "memory");
    return result;
}

bool UnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

bool WatchWineEndSignals()
{
    if (gWatching || !UnderWine())
        return gWatching;
    gSignal.store(0);
    TKernelSigaction action;
    action.handler = reinterpret_cast<void*>(&ZentorctlOnWineEndSignal);
    action.flags = kSaRestart | kSaRestorer;
    action.restorer = reinterpret_cast<void*>(&ZentorctlReturnFromWineSignal);
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        RtSigaction(kSignals[i], &action, &gPrevious[i]);
    gWatching = true;
    return true;
}

void ReleaseWineEndSignals()
{
    if (!gWatching)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        RtSigaction(kSignals[i], &gPrevious[i], nullptr);
    gWatching = false;
}

bool WineEndSignalCame()
{
    return gSignal.load(std::memory_order_relaxed) != 0;
}

} // namespace zentorctl
