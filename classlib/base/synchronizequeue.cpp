#include "classlib/base/synchronizequeue.h"

#include <exception>

// A queued routine; it lives on the stack of the worker that waits for it.
struct TSynchronizeQueue::TItem {
    const TRoutine& routine;
    bool done = false;
    std::exception_ptr error;
    std::condition_variable ran;
};

namespace {
// Static initialisation runs on the thread that starts the program.
const std::thread::id startThread = std::this_thread::get_id();
} // namespace

TSynchronizeQueue::TSynchronizeQueue() : mainThread_(startThread) {}

TSynchronizeQueue& TSynchronizeQueue::Instance()
{
    static TSynchronizeQueue queue;
    return queue;
}

void TSynchronizeQueue::SetMainThread(std::thread::id id)
{
    std::lock_guard guard(lock_);
    mainThread_ = id;
}

std::thread::id TSynchronizeQueue::MainThread() const
{
    std::lock_guard guard(lock_);
    return mainThread_;
}

bool TSynchronizeQueue::OnMainThread() const
{
    return MainThread() == std::this_thread::get_id();
}

void TSynchronizeQueue::SetWakeHook(TWakeHook hook)
{
    std::lock_guard guard(lock_);
    wake_ = std::move(hook);
}

void TSynchronizeQueue::Synchronize(const TRoutine& routine)
{
    if (OnMainThread()) {
        routine();
        return;
    }
    TItem item{routine, false, nullptr, {}};
    std::unique_lock guard(lock_);
    queue_.push_back(&item);
    changed_.notify_all();
    // The hook runs under the lock so that SetWakeHook can remove it safely; it only posts a wake-up.
    if (wake_)
        wake_();
    item.ran.wait(guard, [&] { return item.done; });
    if (item.error)
        std::rethrow_exception(item.error);
}

bool TSynchronizeQueue::RunQueued(std::unique_lock<std::mutex>& guard)
{
    bool ran = false;
    while (!queue_.empty()) {
        TItem* item = queue_.front();
        queue_.pop_front();
        guard.unlock();
        try {
            item->routine();
        } catch (...) {
            item->error = std::current_exception();
        }
        guard.lock();
        item->done = true;
        item->ran.notify_one();
        ran = true;
    }
    return ran;
}

bool TSynchronizeQueue::CheckSynchronize()
{
    if (!OnMainThread())
        return false;
    std::unique_lock guard(lock_);
    return RunQueued(guard);
}

void TSynchronizeQueue::RunUntil(const std::function<bool()>& done)
{
    std::unique_lock guard(lock_);
    for (;;) {
        RunQueued(guard);
        if (done())
            return;
        changed_.wait(guard, [&] { return !queue_.empty() || done(); });
    }
}

void TSynchronizeQueue::Notify()
{
    std::lock_guard guard(lock_);
    changed_.notify_all();
}

bool CheckSynchronize()
{
    return TSynchronizeQueue::Instance().CheckSynchronize();
}
