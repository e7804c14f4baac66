#include "comm/thread.h"

#include <algorithm>

TReadThread::TReadThread(TCommPort& port) : Port(port), Device(port.DeviceHandle()) {}

TReadThread::~TReadThread() = default;

void TReadThread::Execute()
{
    while (!Terminated()) {
        if (Port.FReadRequestEvent.WaitFor() == TWaitResult::wrSignaled)
            ReadWaiting();
    }
}

// Reads until the driver has nothing waiting or the ring is full. A failed call ends the round: the next
// request (a line event or GetBlock) starts a new one, so a failing device never makes this loop spin.
void TReadThread::ReadWaiting()
{
    while (!Terminated() && ReadOnce()) {
    }
}

// One read into the free run of the ring; returns whether it brought bytes.
bool TReadThread::ReadOnce()
{
    std::uint32_t errors = 0;
    platform::TComStat status;
    if (!Device->ClearCommError(errors, status))
        return false;
    const TCommPort::TInRun in = Port.FreeInRun();
    const std::uint32_t wanted = std::min(in.run.length, status.InQue);
    if (wanted == 0)
        return false;
    std::uint32_t count = 0;
    if (!Device->ReadFile(Port.FInBuffer.get() + in.run.offset, wanted, count) || count == 0)
        return false;
    if (Port.CommitIn(in, count))
        Port.FDataReadyEvent.SetEvent();
    return true;
}
