#include "comm/evstatus.h"

#include "classlib/base/exceptionhandler.h"
#include "classlib/base/lasterror.h"

TStatusEventThread::TStatusEventThread(TCommPort& port) : Port(port) {}

TStatusEventThread::~TStatusEventThread() = default;

// The stop signal is the same event as a delivery request, so a close brings one last delivery.
// A handler that raises is reported as any event handler is, and deliveries go on.
void TStatusEventThread::Execute()
{
    while (!Terminated()) {
        if (Port.FStatusReadyEvent.WaitFor() == TWaitResult::wrSignaled)
            Synchronize([this] { RunHandler([this] { DeliverStatus(); }); });
    }
}

// Raises, in this order, the handler of each event in the last event mask; nothing for an open that failed.
void TStatusEventThread::DeliverStatus()
{
    const std::uint32_t mask = Port.Open() ? Port.FLastEventMask.load() : 0;
    const auto raise = [&](std::uint32_t bit, const TNotifyEvent& handler) {
        if ((mask & bit) && handler)
            handler(&Port);
    };
    raise(platform::EV_CTS, Port.OnCTSSignal);
    raise(platform::EV_RLSD, Port.OnDCDSignal);
    raise(platform::EV_DSR, Port.OnDSRSignal);
    raise(platform::EV_RING, Port.OnRingSignal);
    raise(platform::EV_RXCHAR, Port.OnRxDSignal);
    raise(platform::EV_RXFLAG, Port.OnRxEventSignal);
    raise(platform::EV_TXEMPTY, Port.OnTxDSignal);
    raise(platform::EV_BREAK, Port.OnBreakSignal);
    if ((mask & platform::EV_ERR) && Port.OnErrorSignal)
        Port.OnErrorSignal(&Port, GetLastError());
}
