// One overlapped operation record with its own completion event, for one thread's calls on a device
// opened with FILE_FLAG_OVERLAPPED. A pending operation is waited for together with a cancel event: when
// that is signalled, the operation is cancelled (CancelIoEx) and its end awaited, so no call outlives a close.
#pragma once

#include <windows.h>

#include <functional>

namespace platform {

class TOverlappedCall {
public:
    // What the call gave: success, the bytes moved, and the Windows error code on failure.
    struct TResult {
        bool Ok = false;
        DWORD Transferred = 0;
        DWORD Error = 0;
    };

    TOverlappedCall();
    ~TOverlappedCall();
    TOverlappedCall(const TOverlappedCall&) = delete;
    TOverlappedCall& operator=(const TOverlappedCall&) = delete;

    bool Valid() const { return event_ != nullptr; }

    // start issues the call with the record; a pending call is waited for until it completes or cancel
    // is signalled.
    TResult Run(HANDLE device, HANDLE cancel, const std::function<BOOL(OVERLAPPED*)>& start);

private:
    TResult Finish(HANDLE device);

    HANDLE event_;
    OVERLAPPED record_{};
};

} // namespace platform
