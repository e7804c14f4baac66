#include "comm/commport.h"

#include "classlib/base/lasterror.h"
#include "classlib/base/messagebox.h"
#include "comm/evread.h"
#include "comm/evstatus.h"
#include "comm/thread.h"
#include "comm/thstatus.h"
#include "comm/thwrite.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <string>
#include <system_error>
#include <thread>

namespace {

constexpr int BaudRates[] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400,
                             19200, 38400, 56000, 57600, 115200, 128000, 256000};

// How long FlushOutBuffer waits for a dropped run's write before it purges again, and in all: a device
// whose purge cannot end a write must not hold the flush for ever.
constexpr std::chrono::milliseconds kDroppedRunPoll(2);
constexpr std::chrono::milliseconds kDroppedRunLimit(1000);

constexpr std::uint32_t FlagWords[] = {
    platform::DCB_BINARY, // ccNone
    platform::DCB_BINARY | platform::DCB_DTR_CONTROL_ENABLE | platform::DCB_OUTX | platform::DCB_INX |
        platform::DCB_RTS_CONTROL_ENABLE, // ccSoft
    platform::DCB_BINARY | platform::DCB_OUTX_CTS_FLOW | platform::DCB_OUTX_DSR_FLOW |
        platform::DCB_DTR_CONTROL_HANDSHAKE | platform::DCB_RTS_CONTROL_HANDSHAKE, // ccHard
};

} // namespace

TCommPort::TCommPort() = default;

TCommPort::~TCommPort()
{
    FLifecycle.AskLast({TPortChange::OpenOrClose, 0});
    FreeRetiredThreads();
    // A thread still in its hand-off waits for a handler further up this stack; waiting for it would never
    // end, so it is left to finish on its own.
    for (TThreadPtr<TThread>& thread : FRetiredThreads)
        thread.release();
}

// ---- Line settings -------------------------------------------------------------------------------------

// Read-modify-write of the device's line settings record; only while a device is open. Results are ignored:
// a failed call leaves its last-error code for OnOpen.
template <class Change>
void TCommPort::ChangeDcb(Change change)
{
    if (!IsEnabled())
        return;
    FDeviceHandle->GetCommState(FDcb);
    change(FDcb);
    FDeviceHandle->SetCommState(FDcb);
}

// Leaving hardware flow control releases bytes that CTS held back; the writer is asleep until woken.
void TCommPort::SetComControl(TComControl value)
{
    FControl.store(value);
    ChangeDcb([&](platform::TDcb& dcb) { dcb.Flags = FlagWords[value]; });
    if (value != ccHard && IsEnabled())
        FOutRing.WakeWriter();
}

void TCommPort::SetBaudRate(TBaudRate value)
{
    FBaudRate = value;
    ChangeDcb([&](platform::TDcb& dcb) { dcb.BaudRate = static_cast<std::uint32_t>(BaudRates[value]); });
}

int TCommPort::GetBaud() const
{
    return BaudRates[FBaudRate];
}

void TCommPort::SetBaud(int value)
{
    const auto* found = std::find(std::begin(BaudRates), std::end(BaudRates), value);
    if (found != std::end(BaudRates))
        SetBaudRate(static_cast<TBaudRate>(found - std::begin(BaudRates)));
}

void TCommPort::SetParity(TParity value)
{
    FParity = value;
    ChangeDcb([&](platform::TDcb& dcb) { dcb.Parity = static_cast<std::uint8_t>(value); });
}

void TCommPort::SetStopBits(TStopBits value)
{
    FStopBits = value;
    ChangeDcb([&](platform::TDcb& dcb) { dcb.StopBits = static_cast<std::uint8_t>(value); });
    BitsWarning();
}

void TCommPort::SetDataBits(std::uint16_t value)
{
    FDataBits = (value < 5 || value > 8) ? 8 : value;
    ChangeDcb([&](platform::TDcb& dcb) { dcb.ByteSize = static_cast<std::uint8_t>(FDataBits); });
    BitsWarning();
}

void TCommPort::SetXonLim(std::uint16_t value)
{
    FXonLim = value;
    ChangeDcb([&](platform::TDcb& dcb) { dcb.XonLim = value; });
}

void TCommPort::SetXoffLim(std::uint16_t value)
{
    const std::uint32_t cap = std::min<std::uint32_t>(FInSize, 65535);
    FXoffLim = static_cast<std::uint16_t>(std::min<std::uint32_t>(value, cap));
    ChangeDcb([&](platform::TDcb& dcb) { dcb.XoffLim = FXoffLim; });
}

void TCommPort::SetXonChar(std::uint8_t value)
{
    FXonChar = value;
    ChangeDcb([&](platform::TDcb& dcb) { dcb.XonChar = static_cast<char>(value); });
}

void TCommPort::SetXoffChar(std::uint8_t value)
{
    FXoffChar = value;
    ChangeDcb([&](platform::TDcb& dcb) { dcb.XoffChar = static_cast<char>(value); });
}

void TCommPort::SetEventChar(std::uint8_t value)
{
    FEventChar = value;
    ChangeDcb([&](platform::TDcb& dcb) { dcb.EvtChar = static_cast<char>(value); });
}

// Warns about pairs the line cannot carry; the values stay as they are.
void TCommPort::BitsWarning()
{
    const unsigned flags = MB_OK | MB_ICONWARNING | MB_APPLMODAL;
    if (FDataBits == 5 && FStopBits == sb2_0)
        MessageBox("Invalid combination (5 data bits with 2 stop bits)", "COM port warning", flags);
    else if (FDataBits != 5 && FStopBits == sb1_5)
        MessageBox("Invalid combination (6,7 or 8 data bits with 1.5 stop bits)", "COM port warning", flags);
}

// ---- Changes of the port's life -------------------------------------------------------------------------

void TCommPort::SetComNumber(int value)
{
    FLifecycle.Ask({TPortChange::ComNumber, value});
}

void TCommPort::SetIBuffSize(std::uint32_t value)
{
    FLifecycle.Ask({TPortChange::InSize, value});
}

void TCommPort::SetOBuffSize(std::uint32_t value)
{
    FLifecycle.Ask({TPortChange::OutSize, value});
}

// While a change runs the request waits for it even when it asks for the state the port is in now: by the
// time it runs, a change queued before it may have moved the port.
void TCommPort::SetOpen(bool value)
{
    if (value != Open() || FLifecycle.Changing())
        FLifecycle.Ask({TPortChange::OpenOrClose, value ? 1 : 0});
}

void TCommPort::OpenPort()
{
    FLifecycle.Ask({TPortChange::OpenOrClose, 1});
}

void TCommPort::ClosePort()
{
    FLifecycle.Ask({TPortChange::OpenOrClose, 0});
}

void TCommPort::ApplyChange(const TPortChange& change)
{
    switch (change.Kind) {
    case TPortChange::OpenOrClose:
        change.Value != 0 ? OpenNow() : CloseNow();
        break;
    case TPortChange::InSize:
        Resize(FInSize, static_cast<std::uint32_t>(change.Value));
        break;
    case TPortChange::OutSize:
        Resize(FOutSize, static_cast<std::uint32_t>(change.Value));
        break;
    case TPortChange::ComNumber:
        CloseNow();
        FComNumber = static_cast<int>(change.Value);
        break;
    }
}

void TCommPort::Resize(std::uint32_t& size, std::uint32_t value)
{
    const bool wasOpen = Open();
    CloseNow();
    size = value;
    if (wasOpen)
        OpenNow();
}

// ---- Opening and closing -------------------------------------------------------------------------------

void TCommPort::OpenNow()
{
    if (FLifecycle.State() != TPortState::Closed)
        return;
    if (OpenDevice() && OnOpen)
        OnOpen(this, GetLastError());
}

// Returns whether the port is open; on failure everything is released again and nothing was raised.
bool TCommPort::OpenDevice()
{
    FreeRetiredThreads();
    FLifecycle.Enter(TPortState::Opening);
    try {
        AllocateRings();
    } catch (const std::bad_alloc&) {
        ReleaseRings();
        FOpenFailure = platform::SerialCause::NoResources;
        SetLastError(platform::SerialCauseCode(FOpenFailure));
        FLifecycle.Enter(TPortState::Closed);
        return false;
    }
    SetLastError(0);
    FDeviceHandle = platform::OpenSerialDevice("\\\\.\\COM" + std::to_string(FComNumber), FOpenFailure);
    if (!FDeviceHandle) {
        ReleaseRings();
        FLifecycle.Enter(TPortState::Closed);
        return false;
    }
    FOpenFailure = platform::SerialCause::None;
    FDeviceHandle->SetupComm(FInSize, FOutSize);
    FDeviceHandle->SetCommTimeouts(platform::TCommTimeouts{});
    ApplyLineSettings();
    try {
        StartThreads();
    } catch (const std::system_error&) {
        FailOpen(platform::SerialCause::NoResources);
        return false;
    } catch (const std::bad_alloc&) {
        FailOpen(platform::SerialCause::NoResources);
        return false;
    }
    // Bytes put while the open ran (from the warning box's event loop) lost their request with the reset.
    if (FOutRing.Used() > 0)
        FOutRing.WakeWriter();
    FLifecycle.Enter(TPortState::Open);
    SetDTR(FDTR);
    SetRTS(FRTS);
    return true;
}

// Both rings empty, allocated for this open with the sizes asked for last.
void TCommPort::AllocateRings()
{
    FOutRing.Allocate(FOutSize);
    FInRing.Allocate(FInSize);
}

void TCommPort::ReleaseRings()
{
    FInRing.Release();
    FOutRing.Release();
}

void TCommPort::ApplyLineSettings()
{
    SetComControl(Control());
    SetBaudRate(FBaudRate);
    SetParity(FParity);
    SetStopBits(FStopBits);
    SetDataBits(FDataBits);
    SetXonLim(FXonLim);
    SetXoffLim(FXoffLim);
    SetXonChar(FXonChar);
    SetXoffChar(FXoffChar);
    SetEventChar(FEventChar);
}

// The signals left by the last close are cleared before any thread runs, so none that a new thread raises
// is lost.
void TCommPort::ResetEvents()
{
    FReadRequestEvent.ResetEvent();
    FWriteRequestEvent.ResetEvent();
    FDataReadyEvent.ResetEvent();
    FStatusReadyEvent.ResetEvent();
}

void TCommPort::StartThreads()
{
    ResetEvents();
    FStatusThread = TThread::Create<TStatusThread>(*this, FMonitorEvents);
    FReadThread = TThread::Create<TReadThread>(*this);
    FWriteThread = TThread::Create<TWriteThread>(*this);
    FReadEventThread = TThread::Create<TReadEventThread>(*this);
    FStatusEventThread = TThread::Create<TStatusEventThread>(*this);
}

// A thread could not be started: the ones already running stop and the device closes again. The port is not
// open, so the delivery threads raise no event while they stop.
void TCommPort::FailOpen(platform::SerialCause cause)
{
    RequestStops();
    FDeviceHandle->CancelIo();
    StopThreads();
    FDeviceHandle.reset();
    ReleaseRings();
    FLifecycle.Enter(TPortState::Closed);
    FOpenFailure = cause;
    SetLastError(platform::SerialCauseCode(cause));
}

void TCommPort::CloseNow()
{
    if (FLifecycle.State() != TPortState::Open)
        return;
    FLifecycle.Enter(TPortState::Closing);
    // Ends any wait or write still pending on the device, so no worker stays blocked on a line that stopped
    // accepting bytes or vanished; the workers see their stop requests first, so none tries its call again.
    RequestStops();
    FDeviceHandle->CancelIo();
    StopThreads();
    FDeviceHandle.reset();
    ReleaseRings();
    FLifecycle.Enter(TPortState::Closed);
    if (OnClose)
        OnClose(this);
}

// The threads that call the device; the delivery threads are asked when they are stopped, so that each
// still makes its last delivery.
void TCommPort::RequestStops()
{
    for (TThread* thread : {static_cast<TThread*>(FStatusThread.get()), static_cast<TThread*>(FReadThread.get()),
                            static_cast<TThread*>(FWriteThread.get())}) {
        if (thread)
            thread->Terminate();
    }
}

void TCommPort::StopThreads()
{
    StopStatusThread();
    StopThread(FReadThread, FReadRequestEvent);
    StopThread(FWriteThread, FWriteRequestEvent);
    StopDeliveryThread(FReadEventThread, FDataReadyEvent);
    StopDeliveryThread(FStatusEventThread, FStatusReadyEvent);
}

void TCommPort::StopStatusThread()
{
    if (!FStatusThread)
        return;
    FStatusThread->Terminate();
    FDeviceHandle->SetCommMask(0);
    FStatusThread->WaitFor();
    FStatusThread.reset();
    // The last wait may have ended by the cancel rather than by the empty mask; either way the deliveries
    // that follow during the close raise no signal event. The line states are cleared only now: until the
    // thread has ended it may set them again.
    FLastEventMask = 0;
    UpdateLineStates(0);
}

template <class T>
void TCommPort::StopThread(TThreadPtr<T>& thread, TEvent& wake)
{
    if (!thread)
        return;
    thread->Terminate();
    wake.SetEvent();
    thread->WaitFor();
    thread.reset();
}

// A delivery thread whose handler is running further up this stack (the close comes from that handler or from
// a nested event loop it runs) waits for this very call to return; it is stopped without waiting and freed
// once it has ended.
template <class T>
void TCommPort::StopDeliveryThread(TThreadPtr<T>& thread, TEvent& wake)
{
    if (thread && thread->HandOffRunning()) {
        thread->Terminate();
        FRetiredThreads.push_back(std::move(thread));
        return;
    }
    StopThread(thread, wake);
}

void TCommPort::FreeRetiredThreads()
{
    std::erase_if(FRetiredThreads, [](TThreadPtr<TThread>& thread) {
        if (thread->HandOffRunning())
            return false;
        thread.reset();
        return true;
    });
}

// ---- Modem lines ---------------------------------------------------------------------------------------

bool TCommPort::Escape(std::uint32_t function)
{
    return IsEnabled() && FDeviceHandle->EscapeCommFunction(function);
}

void TCommPort::SetModemLine(bool& line, bool value, std::uint32_t raise, std::uint32_t lower)
{
    if (!Open()) {
        line = value;
        return;
    }
    if (Escape(value ? raise : lower))
        line = value;
}

void TCommPort::SetDTR(bool value)
{
    SetModemLine(FDTR, value, platform::SETDTR, platform::CLRDTR);
}

void TCommPort::SetRTS(bool value)
{
    SetModemLine(FRTS, value, platform::SETRTS, platform::CLRRTS);
}

bool TCommPort::SetBreak(bool value)
{
    return Open() && Escape(value ? platform::SETBREAK : platform::CLRBREAK);
}

void TCommPort::SendBreak(std::uint16_t ticks)
{
    Escape(platform::SETBREAK);
    std::this_thread::sleep_for(std::chrono::milliseconds(ticks * 55));
    Escape(platform::CLRBREAK);
}

void TCommPort::PowerOn()
{
    Escape(platform::SETDTR);
    Escape(platform::SETRTS);
    FDTR = true;
    FRTS = true;
}

void TCommPort::PowerOff()
{
    Escape(platform::CLRDTR);
    Escape(platform::CLRRTS);
    FDTR = false;
    FRTS = false;
}

bool TCommPort::GetModemState(int which)
{
    static constexpr std::uint32_t Bits[] = {platform::MS_CTS_ON, platform::MS_DSR_ON, platform::MS_RING_ON,
                                             platform::MS_RLSD_ON};
    std::uint32_t status = 0;
    if (which < 1 || which > 4 || !IsEnabled() || !FDeviceHandle->GetCommModemStatus(status))
        return false;
    return (status & Bits[which - 1]) != 0;
}

void TCommPort::UpdateLineStates(std::uint32_t modemStatus)
{
    FCTS = (modemStatus & platform::MS_CTS_ON) != 0;
    FDSR = (modemStatus & platform::MS_DSR_ON) != 0;
    FDCD = (modemStatus & platform::MS_RLSD_ON) != 0;
    FRing = (modemStatus & platform::MS_RING_ON) != 0;
}

bool TCommPort::ClearToSend() const
{
    return Control() != ccHard || FCTS.load();
}

// ---- Transmit ring -------------------------------------------------------------------------------------

std::uint32_t TCommPort::PutBlock(const char* data, std::uint32_t length)
{
    if (!IsEnabled() || length == 0)
        return 0;
    return FOutRing.Put(data, length);
}

std::uint32_t TCommPort::PutChar(char value)
{
    return PutBlock(&value, 1);
}

int TCommPort::PutString(const char* text)
{
    const auto length = static_cast<int>(std::strlen(text));
    return length > 0 ? static_cast<int>(PutBlock(text, static_cast<std::uint32_t>(length))) : length;
}

std::uint32_t TCommPort::GetOutBuffFree()
{
    return FOutRing.Free();
}

// The ring is emptied before the device is purged: a write that the purge aborts is tried again by the
// writer at once, and then finds only bytes put after this flush.
void TCommPort::FlushOutBuffer()
{
    const bool runUnderWay = FOutRing.DropPending();
    if (!IsEnabled())
        return;
    FDeviceHandle->PurgeComm(platform::PURGE_TXABORT | platform::PURGE_TXCLEAR);
    if (runUnderWay)
        PurgeUntilDroppedRunEnded();
}

// The writer may have taken its run just before the drop and hand it to the device only after the purge:
// the purge is repeated until that write has returned, and what it put into the driver meanwhile is cleared.
void TCommPort::PurgeUntilDroppedRunEnded()
{
    const auto giveUp = std::chrono::steady_clock::now() + kDroppedRunLimit;
    while (!FOutRing.WaitDroppedRunEnded(kDroppedRunPoll)) {
        if (std::chrono::steady_clock::now() >= giveUp)
            return;
        FDeviceHandle->PurgeComm(platform::PURGE_TXABORT);
    }
    FDeviceHandle->PurgeComm(platform::PURGE_TXCLEAR);
}

int TCommPort::GetOutQueCount() const
{
    std::uint32_t errors = 0;
    platform::TComStat status;
    if (!IsEnabled() || !FDeviceHandle->ClearCommError(errors, status))
        return 0;
    return static_cast<int>(status.OutQue);
}

// ---- Receive ring --------------------------------------------------------------------------------------

std::uint32_t TCommPort::GetBlock(char* buffer, std::uint32_t length)
{
    if (!IsEnabled())
        return 0;
    const std::uint32_t total = FInRing.Get(buffer, length);
    if (total > 0)
        FReadRequestEvent.SetEvent();
    return total;
}

char TCommPort::GetChar()
{
    char value = 0;
    if (FInRing.Used() > 0)
        GetBlock(&value, 1);
    return value;
}

std::uint32_t TCommPort::GetInBuffFree()
{
    return FInRing.Free();
}

// No byte that arrived before the flush can reach the ring afterwards, and every byte that arrives after it
// does. The reader may have stopped on the full ring while the device's buffer filled up again (and reports
// no more arrivals); it is woken to fetch what arrives from now on.
void TCommPort::FlushInBuffer()
{
    FInRing.Flush([this] {
        if (IsEnabled())
            FDeviceHandle->PurgeComm(platform::PURGE_RXABORT | platform::PURGE_RXCLEAR);
    });
    if (IsEnabled())
        FReadRequestEvent.SetEvent();
}
