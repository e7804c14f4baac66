#include "comm/evread.h"

TReadEventThread::TReadEventThread(TCommPort& port) : Port(port) {}

TReadEventThread::~TReadEventThread() = default;

// The stop signal is the same event as a delivery request, so a close brings one last delivery.
void TReadEventThread::Execute()
{
    while (!Terminated()) {
        if (Port.FDataReadyEvent.WaitFor() == TWaitResult::wrSignaled)
            Synchronize([this] { DeliverData(); });
    }
}

void TReadEventThread::DeliverData()
{
    if (Port.OnDataReceived)
        Port.OnDataReceived(&Port, Port.GetInBuffUsed());
}
