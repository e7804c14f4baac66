// TCommPort: a serial port with two ring buffers. The application never blocks on the line: PutBlock copies into
// the transmit ring and GetBlock copies out of the receive ring, while five worker threads move the bytes to and
// from the device and hand received data and line events to the GUI thread through the port's events.
// Every public call is made on the GUI thread. A handler may open, close, resize or renumber the port, also
// from a nested event loop (a modal dialog) and while an open or a close runs: such a change waits until the
// running one has ended (see TPortLifecycle).
#pragma once

#include "classlib/base/event.h"
#include "classlib/base/thread.h"
#include "comm/portlifecycle.h"
#include "comm/receivering.h"
#include "comm/transmitring.h"
#include "platform/serialdevice.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

enum TBaudRate {
    cbr110, cbr300, cbr600, cbr1200, cbr2400, cbr4800, cbr9600, cbr14400,
    cbr19200, cbr38400, cbr56000, cbr57600, cbr115200, cbr128000, cbr256000
};
enum TParity { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits { sb1_0, sb1_5, sb2_0 };
enum TComControl { ccNone, ccSoft, ccHard };
// Line events; value i stands for the driver event bit 1 << i.
enum TEventState { evRxChar, evRxEventChar, evTxEmpty, evCTS, evDSR, evRlsd, evBreak, evError, evRing };

// A set of line events, held in 16 bits with bit i for TEventState i (the same bits as the driver's event mask).
class TEventStates {
public:
    constexpr TEventStates() = default;
    constexpr TEventStates(std::initializer_list<TEventState> states)
    {
        for (TEventState state : states)
            bits_ = static_cast<std::uint16_t>(bits_ | Bit(state));
    }
    static constexpr TEventStates FromBits(std::uint16_t bits)
    {
        TEventStates set;
        set.bits_ = bits;
        return set;
    }
    constexpr bool Contains(TEventState state) const { return (bits_ & Bit(state)) != 0; }
    constexpr std::uint16_t Bits() const { return bits_; }
    friend constexpr bool operator==(TEventStates, TEventStates) = default;

private:
    static constexpr std::uint16_t Bit(TEventState state) { return static_cast<std::uint16_t>(1u << state); }
    std::uint16_t bits_ = 0;
};

class TCommPort;
class TStatusThread;
class TReadThread;
class TWriteThread;
class TReadEventThread;
class TStatusEventThread;

using TNotifyEvent = std::function<void(TCommPort* Sender)>;
using TPortErrorEvent = std::function<void(TCommPort* Sender, std::int32_t Error)>;
using TPortDataEvent = std::function<void(TCommPort* Sender, std::uint32_t Count)>;

class TCommPort {
public:
    TCommPort();
    ~TCommPort();
    TCommPort(const TCommPort&) = delete;
    TCommPort& operator=(const TCommPort&) = delete;

    // Published properties, in their declaration order.
    int ComNumber() const { return FComNumber; }
    void SetComNumber(int value);
    // True from the moment the threads run until the close has stopped them and released the rings.
    bool Open() const
    {
        return FLifecycle.State() == TPortState::Open || FLifecycle.State() == TPortState::Closing;
    }
    void SetOpen(bool value);
    bool DTR() const { return FDTR; }
    void SetDTR(bool value);
    bool RTS() const { return FRTS; }
    void SetRTS(bool value);
    bool CTS() const { return FCTS.load(); }
    bool DSR() const { return FDSR.load(); }
    bool DCD() const { return FDCD.load(); }
    bool Ring() const { return FRing.load(); }
    std::uint32_t InSize() const { return FInSize; }
    void SetIBuffSize(std::uint32_t value);
    std::uint32_t OutSize() const { return FOutSize; }
    void SetOBuffSize(std::uint32_t value);
    std::uint32_t InBuffFree() { return GetInBuffFree(); }
    std::uint32_t GetInBuffFree();
    std::uint32_t InBuffUsed() const { return GetInBuffUsed(); }
    std::uint32_t GetInBuffUsed() const { return FInRing.Used(); }
    std::uint32_t OutBuffFree() { return GetOutBuffFree(); }
    std::uint32_t GetOutBuffFree();
    std::uint32_t OutBuffUsed() const { return GetOutBuffUsed(); }
    std::uint32_t GetOutBuffUsed() const { return FOutRing.Used(); }
    int OutQueCount() const { return GetOutQueCount(); }
    int GetOutQueCount() const;
    int Baud() const { return GetBaud(); }
    int GetBaud() const;
    void SetBaud(int value);
    TBaudRate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudRate value);
    TComControl Control() const { return FControl.load(); }
    void SetComControl(TComControl value);
    TParity Parity() const { return FParity; }
    void SetParity(TParity value);
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits value);
    std::uint16_t DataBits() const { return FDataBits; }
    void SetDataBits(std::uint16_t value);
    TEventStates MonitorEvents() const { return FMonitorEvents; }
    void SetMonitorEvents(TEventStates value) { FMonitorEvents = value; }
    std::uint16_t XonLim() const { return FXonLim; }
    void SetXonLim(std::uint16_t value);
    std::uint16_t XoffLim() const { return FXoffLim; }
    void SetXoffLim(std::uint16_t value);
    std::uint8_t XonChar() const { return FXonChar; }
    void SetXonChar(std::uint8_t value);
    std::uint8_t XoffChar() const { return FXoffChar; }
    void SetXoffChar(std::uint8_t value);
    std::uint8_t EventChar() const { return FEventChar; }
    void SetEventChar(std::uint8_t value);

    // Events, raised on the GUI thread; an empty one is skipped. A handler may change the port in any way but
    // must not destroy it: the change that raised the event goes on with the port after the handler returns.
    TNotifyEvent OnCTSSignal;
    TNotifyEvent OnDCDSignal;
    TNotifyEvent OnDSRSignal;
    TNotifyEvent OnRxDSignal;
    TNotifyEvent OnTxDSignal;
    TNotifyEvent OnRingSignal;
    TNotifyEvent OnBreakSignal;
    TNotifyEvent OnRxEventSignal;
    TPortErrorEvent OnErrorSignal;
    TPortDataEvent OnDataReceived;
    TPortErrorEvent OnOpen;
    TNotifyEvent OnClose;

    void OpenPort();
    void ClosePort();

    // The open device for direct calls (purges), or null while closed.
    platform::ISerialDevice* DeviceHandle() const { return FDeviceHandle.get(); }
    bool IsEnabled() const { return FDeviceHandle != nullptr; }
    // Why the last open failed (None after a successful one).
    platform::SerialCause OpenFailure() const { return FOpenFailure; }

    // Modem lines and break.
    bool SetBreak(bool value);
    void SendBreak(std::uint16_t ticks);
    void PowerOn();
    void PowerOff();
    // which: 1 CTS, 2 DSR, 3 ring indicator, 4 DCD.
    bool GetModemState(int which);

    // Data transfer; byte counts, never blocking on the line.
    std::uint32_t PutBlock(const char* data, std::uint32_t length);
    std::uint32_t PutChar(char value);
    int PutString(const char* text);
    std::uint32_t GetBlock(char* buffer, std::uint32_t length);
    char GetChar();
    bool CharReady() const { return FInRing.Used() > 0; }
    void FlushInBuffer();
    void FlushOutBuffer();

private:
    friend class TStatusThread;
    friend class TReadThread;
    friend class TWriteThread;
    friend class TReadEventThread;
    friend class TStatusEventThread;

    template <class Change>
    void ChangeDcb(Change change);
    void BitsWarning();
    void ApplyChange(const TPortChange& change);
    void PurgeUntilDroppedRunEnded();
    void Resize(std::uint32_t& size, std::uint32_t value);
    void OpenNow();
    void CloseNow();
    bool OpenDevice();
    void AllocateRings();
    void ReleaseRings();
    void ApplyLineSettings();
    void ResetEvents();
    void StartThreads();
    void FailOpen(platform::SerialCause cause);
    void RequestStops();
    void StopThreads();
    void StopStatusThread();
    template <class T>
    void StopThread(TThreadPtr<T>& thread, TEvent& wake);
    template <class T>
    void StopDeliveryThread(TThreadPtr<T>& thread, TEvent& wake);
    void FreeRetiredThreads();
    bool Escape(std::uint32_t function);
    void SetModemLine(bool& line, bool value, std::uint32_t raise, std::uint32_t lower);

    // Shared with the worker threads (see thread units).
    void UpdateLineStates(std::uint32_t modemStatus);
    bool ClearToSend() const;

    int FComNumber = 2;
    bool FDTR = false;
    bool FRTS = false;
    std::atomic<bool> FCTS{false};
    std::atomic<bool> FDSR{false};
    std::atomic<bool> FDCD{false};
    std::atomic<bool> FRing{false};
    std::uint32_t FInSize = 2048;
    std::uint32_t FOutSize = 4096;
    TBaudRate FBaudRate = cbr9600;
    std::atomic<TComControl> FControl{ccNone};
    TParity FParity = paNone;
    TStopBits FStopBits = sb1_0;
    std::uint16_t FDataBits = 8;
    TEventStates FMonitorEvents{evRxChar, evTxEmpty, evCTS, evDSR, evRlsd, evBreak, evError, evRing};
    std::uint16_t FXonLim = 0;
    std::uint16_t FXoffLim = 1024;
    std::uint8_t FXonChar = 0x11;
    std::uint8_t FXoffChar = 0x13;
    std::uint8_t FEventChar = 0;

    std::unique_ptr<platform::ISerialDevice> FDeviceHandle;
    platform::SerialCause FOpenFailure = platform::SerialCause::None;
    platform::TDcb FDcb;
    std::atomic<std::uint32_t> FLastEventMask{0};

    TEvent FReadRequestEvent{false};
    TEvent FWriteRequestEvent{true};
    TEvent FDataReadyEvent{false};
    TEvent FStatusReadyEvent{false};
    TReceiveRing FInRing;
    TTransmitRing FOutRing{FWriteRequestEvent};

    TThreadPtr<TStatusThread> FStatusThread;
    TThreadPtr<TReadThread> FReadThread;
    TThreadPtr<TWriteThread> FWriteThread;
    TThreadPtr<TReadEventThread> FReadEventThread;
    TThreadPtr<TStatusEventThread> FStatusEventThread;
    // Delivery threads stopped by a close made from inside their own handler; freed once they have ended.
    std::vector<TThreadPtr<TThread>> FRetiredThreads;
    TPortLifecycle FLifecycle{[this](const TPortChange& change) { ApplyChange(change); }};
};
