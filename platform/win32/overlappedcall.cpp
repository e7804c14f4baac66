#include "platform/win32/overlappedcall.h"

namespace platform {

TOverlappedCall::TOverlappedCall() : event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

TOverlappedCall::~TOverlappedCall()
{
    if (event_)
        ::CloseHandle(event_);
}

TOverlappedCall::TResult TOverlappedCall::Run(HANDLE device, HANDLE cancel, const std::function<BOOL(OVERLAPPED*)>& start)
{
    record_ = OVERLAPPED{};
    record_.hEvent = event_;
    ::ResetEvent(event_);
    if (start(&record_))
        return Finish(device);
    if (const DWORD error = ::GetLastError(); error != ERROR_IO_PENDING)
        return TResult{false, 0, error};
    const HANDLE waits[2] = {event_, cancel};
    if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
        ::CancelIoEx(device, &record_);
    return Finish(device);
}

// Waits for the end of the operation (at once when it already ended) and takes its result.
TOverlappedCall::TResult TOverlappedCall::Finish(HANDLE device)
{
    TResult result;
    result.Ok = ::GetOverlappedResult(device, &record_, &result.Transferred, TRUE) != FALSE;
    result.Error = result.Ok ? 0 : ::GetLastError();
    return result;
}

} // namespace platform
