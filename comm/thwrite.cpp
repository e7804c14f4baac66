#include "comm/thwrite.h"

#include <algorithm>
#include <chrono>

namespace {
// After a write that failed other than by a purge, the writer pauses before it tries the same bytes again;
// the pause doubles up to the last one, so a device that keeps failing costs no processor time.
constexpr std::chrono::milliseconds FirstRetryPause(100);
constexpr std::chrono::milliseconds LastRetryPause(1600);
} // namespace

TWriteThread::TWriteThread(TCommPort& port) : Port(port), Device(port.DeviceHandle()) {}

TWriteThread::~TWriteThread() = default;

void TWriteThread::Execute()
{
    while (!Terminated()) {
        if (Port.FWriteRequestEvent.WaitFor() != TWaitResult::wrSignaled)
            continue;
        if (Port.FOutRing.ResetRequestIfIdle() || !ClearToSend())
            continue;
        std::uint32_t errors = 0;
        platform::TComStat status;
        Device->ClearCommError(errors, status);
        WritePending();
    }
}

// With CTS off under hardware flow control the request is reset and the thread sleeps; the status thread
// signals it again when CTS comes on. CTS is tested again after the reset, so that change is never missed.
bool TWriteThread::ClearToSend()
{
    if (Port.ClearToSend())
        return true;
    Port.FWriteRequestEvent.ResetEvent();
    return Port.ClearToSend();
}

// Writes until the ring is empty, the thread is stopped or CTS goes off. A failed write is tried again with
// what is left of the ring: at once after a purge aborted it (the owner may purge the device directly, and
// FlushOutBuffer empties the ring before its purge, so only the bytes put since are left), after a growing
// pause for any other failure.
void TWriteThread::WritePending()
{
    TTransmitRing::TRun out;
    std::chrono::milliseconds pause = FirstRetryPause;
    while (!Terminated() && Port.ClearToSend() && Port.FOutRing.TakeRun(out)) {
        std::uint32_t written = 0;
        const bool ok = Device->WriteFile(Port.FOutRing.At(out), out.run.length, written);
        Port.FOutRing.FinishRun(out, written);
        if (ok && written > 0) {
            pause = FirstRetryPause;
        } else if (ok || Device->LastCause() != platform::SerialCause::Cancelled) {
            SleepUnlessTerminated(pause);
            pause = std::min(pause * 2, LastRetryPause);
        }
    }
}
