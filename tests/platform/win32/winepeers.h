// What the Windows tests need from their surroundings under Wine: the COM numbers of the line partners
// that scripts/wine-tests.sh links into the Wine prefix, the event loop without Qt, and the process's CPU time.
#pragma once

#include "classlib/base/synchronizequeue.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

// The COM number in the environment variable, 0 (and a failure) when the script did not set it.
inline int PeerComNumber(const char* variable)
{
    const char* value = std::getenv(variable);
    if (!value || std::atoi(value) <= 0)
        ADD_FAILURE() << variable << " is not set: run these tests through scripts/wine-tests.sh";
    return value ? std::atoi(value) : 0;
}

// Runs the port's hand-offs on this (the main) thread until done() holds or the limit passes; returns done().
// The loop sleeps until a hand-off is queued, looking at done() every 10 ms. handOffs counts the rounds in
// which at least one hand-off ran.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit, int* handOffs = nullptr)
{
    static const HANDLE queued = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    TSynchronizeQueue& queue = TSynchronizeQueue::Instance();
    queue.SetWakeHook([] { ::SetEvent(queued); });
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
        if (queue.CheckSynchronize() && handOffs)
            ++*handOffs;
        ::WaitForSingleObject(queued, 10);
    }
    queue.SetWakeHook({});
    return done();
}

inline void PumpFor(std::chrono::milliseconds time, int* handOffs = nullptr)
{
    PumpUntil([] { return false; }, time, handOffs);
}

// User and kernel time of this process so far, in seconds.
inline double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& time) {
        return ((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}
