// Idle cost on Windows: the port open on a quiet line for ten seconds, with the main thread running the
// port's hand-offs, as the program's event loop would. Prints the process's share of one core.
// usage: bench_comm_idle_win32.exe <COM number>; with 0 no port is opened, for the cost of the loop alone.
#include "classlib/base/synchronizequeue.h"
#include "comm/commport.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& time) {
        return ((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}

// Runs queued hand-offs until the time has passed, sleeping until one is queued.
void RunEventLoop(std::chrono::milliseconds time)
{
    static const HANDLE queued = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    TSynchronizeQueue& queue = TSynchronizeQueue::Instance();
    queue.SetWakeHook([] { ::SetEvent(queued); });
    const auto end = std::chrono::steady_clock::now() + time;
    for (auto now = std::chrono::steady_clock::now(); now < end; now = std::chrono::steady_clock::now()) {
        queue.CheckSynchronize();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
        ::WaitForSingleObject(queued, static_cast<DWORD>(left) + 1);
    }
    queue.SetWakeHook({});
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <COM number>\n", argv[0]);
        return 2;
    }
    TCommPort port;
    port.SetComNumber(std::atoi(argv[1]));
    port.SetOpen(port.ComNumber() != 0);
    if (port.ComNumber() != 0 && !port.Open()) {
        std::fprintf(stderr, "cannot open COM%s: %s\n", argv[1], platform::SerialCauseText(port.OpenFailure()));
        return 1;
    }
    std::printf("COM%d %s\n", port.ComNumber(), port.Open() ? "open" : "not opened");
    std::fflush(stdout); // the Wine tests wait for this line before they try the port from another program
    RunEventLoop(std::chrono::milliseconds(200)); // let the threads settle
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    RunEventLoop(std::chrono::seconds(10));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("idle: %s for 10 s uses %.3f%% of one core (target <= 0.2%%)\n",
                port.Open() ? "port open on a quiet line" : "no port", (ProcessCpuSeconds() - cpuBefore) / wall * 100);
    port.SetOpen(false);
    return 0;
}
