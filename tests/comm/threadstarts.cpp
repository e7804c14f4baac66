#include "threadstarts.h"

#include <dlfcn.h>
#include <pthread.h>

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
        if (rules.active && rules.owner == std::this_thread::get_id()) {
            if (rules.successesLeft == 0)
                return EAGAIN;
            if (rules.successesLeft > 0)
                rules.successesLeft--;
            after = rules.after;
        }
    }
    const int result = RealCreate()(thread, attr, start, arg);
    if (result == 0 && after)
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

void TThreadStarts::AfterEachStart(std::function<void()> step)
{
    std::lock_guard guard(Rules().lock);
    Rules().after = std::move(step);
}
