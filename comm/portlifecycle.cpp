#include "comm/portlifecycle.h"

#include <algorithm>

void TPortLifecycle::Ask(const TPortChange& change)
{
    Queue(change);
    if (!changing_)
        RunQueue();
}

void TPortLifecycle::Queue(const TPortChange& change)
{
    std::erase_if(waiting_, [&](const TPortChange& other) { return other.Kind == change.Kind; });
    waiting_.push_back(change);
}

// A handler that throws ends the run; what it left waiting is dropped with it, so no stale change runs
// later behind the owner's back.
void TPortLifecycle::RunQueue()
{
    changing_ = true;
    try {
        while (!waiting_.empty()) {
            const TPortChange next = waiting_.front();
            waiting_.pop_front();
            apply_(next);
        }
    } catch (...) {
        waiting_.clear();
        changing_ = false;
        throw;
    }
    changing_ = false;
}

void TPortLifecycle::AskLast(const TPortChange& change)
{
    waiting_.clear();
    changing_ = true;
    apply_(change);
    waiting_.clear();
    changing_ = false;
}
