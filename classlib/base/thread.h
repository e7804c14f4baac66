// A thread object: the derived class's Execute runs on its own operating-system thread.
// Threads are made with TThread::Create, which starts the body only after the whole object is constructed,
// so every field set by a constructor is visible to Execute. The object is not freed when the body ends;
// its owner waits for it (WaitFor) and then deletes it. Deleting through TThreadPtr stops and waits first,
// so a body never runs while its object is being destroyed. When the operating system cannot start the thread,
// Create throws std::system_error and the object is freed at once.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

class TThread;

struct TThreadDeleter {
    void operator()(TThread* thread) const;
};

template <class T>
using TThreadPtr = std::unique_ptr<T, TThreadDeleter>;

class TThread {
public:
    TThread() = default;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    virtual ~TThread();

    // Constructs T and starts its body.
    template <class T, class... Args>
    static TThreadPtr<T> Create(Args&&... args)
    {
        TThreadPtr<T> thread(new T(std::forward<Args>(args)...));
        static_cast<TThread*>(thread.get())->Start();
        return thread;
    }

    // Asks the body to stop; the body polls Terminated.
    void Terminate();
    bool Terminated() const { return terminated_.load(); }
    // Whether the body has returned.
    bool Finished() const { return finished_.load(); }

    // Blocks until the body has returned. On the GUI thread it keeps running queued hand-offs meanwhile,
    // so a worker blocked in Synchronize can still finish.
    void WaitFor();

    // Whether a routine this thread handed to the GUI thread is running there now. Read on the GUI thread, it
    // means the caller is inside that routine, so WaitFor would never return: the thread waits for the caller.
    bool HandOffRunning() const { return handOffRunning_.load(); }

    // An exception that escaped Execute, or null.
    std::exception_ptr FatalException() const;

protected:
    virtual void Execute() = 0;

    // Runs the routine on the GUI thread and blocks until it has run.
    void Synchronize(const std::function<void()>& routine);

    // Sleeps for the given time unless Terminate is called first; returns Terminated().
    bool SleepUnlessTerminated(std::chrono::milliseconds time);

private:
    void Start();
    void Run();
    void Join();

    std::thread thread_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> handOffRunning_{false};
    mutable std::mutex lock_; // guards fatal_; pairs with terminatedChanged_
    std::mutex joinLock_;
    std::condition_variable terminatedChanged_;
    std::exception_ptr fatal_;
};
