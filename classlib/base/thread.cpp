#include "classlib/base/thread.h"

#include "classlib/base/synchronizequeue.h"

void TThreadDeleter::operator()(TThread* thread) const
{
    thread->Terminate();
    thread->WaitFor();
    delete thread;
}

// The body has ended by now (TThreadDeleter); only the operating-system thread is left to join.
TThread::~TThread()
{
    Join();
}

// A thread that could not start counts as finished, so the owner's WaitFor does not wait for it.
void TThread::Start()
{
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (...) {
        finished_.store(true);
        throw;
    }
}

void TThread::Run()
{
    try {
        Execute();
    } catch (...) {
        std::lock_guard guard(lock_);
        fatal_ = std::current_exception();
    }
    finished_.store(true);
    TSynchronizeQueue::Instance().Notify();
}

void TThread::Terminate()
{
    {
        std::lock_guard guard(lock_);
        terminated_.store(true);
    }
    terminatedChanged_.notify_all();
}

bool TThread::SleepUnlessTerminated(std::chrono::milliseconds time)
{
    std::unique_lock guard(lock_);
    terminatedChanged_.wait_for(guard, time, [this] { return terminated_.load(); });
    return terminated_.load();
}

void TThread::WaitFor()
{
    auto& queue = TSynchronizeQueue::Instance();
    if (queue.OnMainThread())
        queue.RunUntil([this] { return finished_.load(); });
    Join();
}

void TThread::Join()
{
    std::lock_guard guard(joinLock_);
    if (thread_.joinable())
        thread_.join();
}

std::exception_ptr TThread::FatalException() const
{
    std::lock_guard guard(lock_);
    return fatal_;
}

void TThread::Synchronize(const std::function<void()>& routine)
{
    TSynchronizeQueue::Instance().Synchronize([this, &routine] {
        handOffRunning_.store(true);
        struct TClear {
            std::atomic<bool>& flag;
            ~TClear() { flag.store(false); }
        } clear{handOffRunning_};
        routine();
    });
}
