#include "comm/thread.h"

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

// One read into the free run of the ring; returns whether it brought bytes. A flush waits for the read, so
// its bytes arrived wholly before that flush's purge (and the flush drops them) or wholly after it.
bool TReadThread::ReadOnce()
{
    std::uint32_t errors = 0;
    platform::TComStat status;
    if (!Device->ClearCommError(errors, status))
        return false;
    const std::uint32_t count = Port.FInRing.Fill(status.InQue, [this](char* at, std::uint32_t room) {
        std::uint32_t read = 0;
        return Device->ReadFile(at, room, read) ? read : 0;
    });
    if (count > 0)
        Port.FDataReadyEvent.SetEvent();
    return count > 0;
}
