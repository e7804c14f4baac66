#include "threadstarts.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

namespace {

struct TStartRules {
    std::mutex lock;
    bool active = false;
    std::thread::id owner;
    int successesLeft = -1; // -1: no failures
    std::function<void()> after;
};

std::atomic<int> running{0};

// The body of a counted thread: the start routine, then the count goes down.
struct TCountedStart {
    void* (*start)(void*);
    void* arg;
};

void* RunCounted(void* counted)
{
    const TCountedStart body = *static_cast<TCountedStart*>(counted);
    delete static_cast<TCountedStart*>(counted);
    void* result = body.start(body.arg);
    running--;
    return result;
}

TStartRules& Rules()
{
    static TStartRules rules;
    return rules;
}

using TCreate = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

TCreate RealCreate()
{
    static const auto real = reinterpret_cast<TCreate>(::dlsym(RTLD_NEXT, "pthread_create"));
    return real;
}

} // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg)
{
    TStartRules& rules = Rules();
    std::function<void()> after;
    {
        std::lock_guard guard(rules.lock);
        if (!rules.active || rules.owner != std::this_thread::get_id())
            return RealCreate()(thread, attr, start, arg);
        if (rules.successesLeft == 0)
            return EAGAIN;
        if (rules.successesLeft > 0)
            rules.successesLeft--;
        after = rules.after;
    }
    running++;
    auto* counted = new TCountedStart{start, arg};
    const int result = RealCreate()(thread, attr, RunCounted, counted);
    if (result != 0) {
        delete counted;
        running--;
        return result;
    }
    if (after)
        after();
    return result;
}

TThreadStarts::TThreadStarts()
{
    std::lock_guard guard(Rules().lock);
    Rules().active = true;
    Rules().owner = std::this_thread::get_id();
    Rules().successesLeft = -1;
    Rules().after = nullptr;
}

TThreadStarts::~TThreadStarts()
{
    std::lock_guard guard(Rules().lock);
    Rules().active = false;
    Rules().after = nullptr;
}

void TThreadStarts::FailAfter(int successes)
{
    std::lock_guard guard(Rules().lock);
    Rules().successesLeft = successes;
}

int TThreadStarts::Running()
{
    return running.load();
}

void TThreadStarts::AfterEachStart(std::function<void()> step)
{
    std::lock_guard guard(Rules().lock);
    Rules().after = std::move(step);
}
