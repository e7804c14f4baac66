// An event object: signalled or not; an automatic-reset event lets one waiter through and resets itself,
// a manual-reset event stays signalled until ResetEvent.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

constexpr std::uint32_t INFINITE = 0xFFFFFFFF;

enum class TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

class TEvent {
public:
    explicit TEvent(bool manualReset, bool initialState = false);
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void SetEvent();
    void ResetEvent();
    // Waits up to timeout milliseconds (INFINITE: without limit) for the event.
    TWaitResult WaitFor(std::uint32_t timeout = INFINITE);

private:
    const bool manualReset_;
    bool signalled_;
    std::mutex lock_;
    std::condition_variable changed_;
};
