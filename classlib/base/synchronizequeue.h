// The hand-off of routines from worker threads to the GUI thread.
// A worker queues a routine and blocks until the GUI thread has run it. The GUI thread runs queued routines
// from its event loop (the loop installs a wake-up hook that is called whenever a routine is queued) and
// while it waits for a worker thread to end (RunUntil).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class TSynchronizeQueue {
public:
    using TRoutine = std::function<void()>;
    using TWakeHook = std::function<void()>;

    // The one queue of the process.
    static TSynchronizeQueue& Instance();

    // The thread that runs hand-offs; by default the thread that started the program.
    void SetMainThread(std::thread::id id);
    std::thread::id MainThread() const;
    bool OnMainThread() const;

    // Called (from a worker thread) each time a routine is queued; an empty hook removes it.
    // Once SetWakeHook returns, the old hook is no longer running.
    void SetWakeHook(TWakeHook hook);

    // Runs the routine on the GUI thread and returns when it has run; an exception it throws is rethrown here.
    // On the GUI thread itself the routine runs at once.
    void Synchronize(const TRoutine& routine);

    // Runs every queued routine on the calling (GUI) thread; returns whether any ran.
    bool CheckSynchronize();

    // Runs queued routines until done() holds. Sleeps while nothing is queued; Notify wakes it to test done() again.
    void RunUntil(const std::function<bool()>& done);

    // Wakes RunUntil; call after a change that done() looks at.
    void Notify();

private:
    struct TItem;

    TSynchronizeQueue();
    bool RunQueued(std::unique_lock<std::mutex>& lock);

    mutable std::mutex lock_;
    std::condition_variable changed_; // a routine was queued or Notify was called
    std::deque<TItem*> queue_;
    TWakeHook wake_;
    std::thread::id mainThread_;
};

// The class library's free routine: runs queued hand-offs on the GUI thread.
bool CheckSynchronize();
