#include "classlib/base/event.h"

#include <chrono>

TEvent::TEvent(bool manualReset, bool initialState) : manualReset_(manualReset), signalled_(initialState) {}

void TEvent::SetEvent()
{
    {
        std::lock_guard guard(lock_);
        signalled_ = true;
    }
    if (manualReset_)
        changed_.notify_all();
    else
        changed_.notify_one();
}

void TEvent::ResetEvent()
{
    std::lock_guard guard(lock_);
    signalled_ = false;
}

TWaitResult TEvent::WaitFor(std::uint32_t timeout)
{
    std::unique_lock guard(lock_);
    const auto signalled = [this] { return signalled_; };
    if (timeout == INFINITE)
        changed_.wait(guard, signalled);
    else if (!changed_.wait_for(guard, std::chrono::milliseconds(timeout), signalled))
        return TWaitResult::wrTimeout;
    if (!manualReset_)
        signalled_ = false;
    return TWaitResult::wrSignaled;
}
