#include "comm/evread.h"

#include "classlib/base/exceptionhandler.h"

TReadEventThread::TReadEventThread(TCommPort& port) : Port(port) {}

TReadEventThread::~TReadEventThread() = default;

// The stop signal is the same event as a delivery request, so a close brings one last delivery.
// A handler that raises is reported as any event handler is, and deliveries go on.
void TReadEventThread::Execute()
{
    while (!Terminated()) {
        if (Port.FDataReadyEvent.WaitFor() == TWaitResult::wrSignaled)
            Synchronize([this] { RunHandler([this] { DeliverData(); }); });
    }
}

// An open that failed stops this thread before the port is open: it raises nothing then.
void TReadEventThread::DeliverData()
{
    if (Port.Open() && Port.OnDataReceived)
        Port.OnDataReceived(&Port, Port.GetInBuffUsed());
}
