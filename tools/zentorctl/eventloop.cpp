#include "tools/zentorctl/eventloop.h"

#include "classlib/base/synchronizequeue.h"

namespace zentorctl {

TEventLoop::TStop TEventLoop::RunUntil(const std::function<bool()>& done,
                                       std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        // A hand-off queued after this point wakes the wait below, so the wait cannot miss it.
        DrainWakes();
        TSynchronizeQueue::Instance().CheckSynchronize();
        if (Interrupted())
            return TStop::Interrupted;
        if (done())
            return TStop::Done;
        if (std::chrono::steady_clock::now() >= deadline)
            return TStop::TimedOut;
        WaitForWake(deadline);
    }
}

} // namespace zentorctl
