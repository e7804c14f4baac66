#include "comm/thstatus.h"

#include <chrono>

namespace {
// After a failed wait the thread pauses this long (or until stopped) before it waits again.
constexpr std::chrono::milliseconds RetryPause(100);

constexpr std::uint32_t ModemEvents =
    platform::EV_CTS | platform::EV_DSR | platform::EV_RLSD | platform::EV_ERR | platform::EV_RING;
} // namespace

TStatusThread::TStatusThread(TCommPort& port, TEventStates events) : Port(port), Device(port.DeviceHandle())
{
    Device->SetCommMask(events.Bits());
}

TStatusThread::~TStatusThread() = default;

void TStatusThread::Execute()
{
    if (ReadLineStates())
        WakeWriterIfClear();
    Port.FLastEventMask = 0;
    while (!Terminated()) {
        std::uint32_t events = 0;
        if (Device->WaitCommEvent(events))
            HandleEvents(events);
        else
            SleepUnlessTerminated(RetryPause);
    }
}

// Returns whether the status could be read.
bool TStatusThread::ReadLineStates()
{
    std::uint32_t status = 0;
    if (!Device->GetCommModemStatus(status))
        return false;
    Port.UpdateLineStates(status);
    return true;
}

// A writer held back by hardware flow control sleeps until CTS is seen on: after a change, and also at the
// first reading, since a PutBlock right after the open sees CTS still off.
void TStatusThread::WakeWriterIfClear()
{
    if (Port.Control() == ccHard && Port.FCTS.load() && Port.FOutRing.Used() > 0)
        Port.FWriteRequestEvent.SetEvent();
}

void TStatusThread::HandleEvents(std::uint32_t events)
{
    Port.FLastEventMask = events;
    if ((events & ModemEvents) != 0 && ReadLineStates())
        WakeWriterIfClear();
    if (events & platform::EV_RXCHAR)
        Port.FReadRequestEvent.SetEvent();
    Port.FStatusReadyEvent.SetEvent();
}
