#include "comm/thwrite.h"

TWriteThread::TWriteThread(TCommPort& port) : Port(port), Device(port.DeviceHandle()) {}

TWriteThread::~TWriteThread() = default;

void TWriteThread::Execute()
{
    while (!Terminated()) {
        if (Port.FWriteRequestEvent.WaitFor() != TWaitResult::wrSignaled)
            continue;
        if (Port.ResetWriteRequestIfIdle() || !ClearToSend())
            continue;
        std::uint32_t errors = 0;
        platform::TComStat status;
        Device->ClearCommError(errors, status);
        // After a failed write the thread waits for the next request instead of trying the same bytes at once.
        if (!WritePending())
            Port.FWriteRequestEvent.ResetEvent();
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

// Writes until the ring is empty, the thread is stopped or CTS goes off; returns false when a write failed.
bool TWriteThread::WritePending()
{
    ringmath::TRun run;
    std::uint64_t generation = 0;
    while (!Terminated() && Port.ClearToSend() && Port.PendingOutRun(run, generation)) {
        std::uint32_t written = 0;
        if (!Device->WriteFile(Port.FOutBuffer.get() + run.offset, run.length, written) || written == 0)
            return false;
        Port.CommitOut(written, generation);
    }
    return true;
}
