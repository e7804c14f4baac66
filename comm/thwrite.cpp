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

// Writes until the ring is empty, the thread is stopped or CTS goes off. After a failed write the thread
// waits for the next request instead of trying the same bytes at once; a block put during that write
// (after a flush that aborted it, say) is such a request.
void TWriteThread::WritePending()
{
    TCommPort::TOutRun out;
    while (!Terminated() && Port.ClearToSend() && Port.TakeOutRun(out)) {
        std::uint32_t written = 0;
        const bool ok = Device->WriteFile(Port.FOutBuffer.get() + out.run.offset, out.run.length, written);
        Port.FinishOutRun(out, written);
        if (!ok || written == 0) {
            Port.ResetWriteRequestUnlessPutSince(out.puts);
            return;
        }
    }
}
