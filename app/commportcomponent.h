// The serial port component as the window description sees it: a QObject that owns a TCommPort (which stays
// free of Qt), publishes its properties in the port's order and delivers its events as signals. Registered
// as class "TCommPort" by Register(). Every published property has the streaming default zero, so the window
// description holds each one that is not 0, False, the first enumerator or the empty set. Open = True read
// from a description opens the port only when the whole description is read, after the line settings.
#pragma once

#include "classlib/widgets/designposition.h"
#include "classlib/forms/loadable.h"
#include "comm/commport.h"

#include <QObject>

#include <cstdint>

class TCommPortComponent : public QObject, public TDefinesProperties, public TLoadable {
    Q_OBJECT
    Q_CLASSINFO("StreamingDefault", "zero")
    Q_PROPERTY(int ComNumber READ ComNumber WRITE SetComNumber)
    Q_PROPERTY(bool Open READ Open WRITE SetOpen)
    Q_PROPERTY(bool DTR READ DTR WRITE SetDTR)
    Q_PROPERTY(bool RTS READ RTS WRITE SetRTS)
    Q_PROPERTY(bool CTS READ CTS)
    Q_PROPERTY(bool DSR READ DSR)
    Q_PROPERTY(bool DCD READ DCD)
    Q_PROPERTY(bool Ring READ Ring)
    Q_PROPERTY(std::uint32_t InSize READ InSize WRITE SetIBuffSize)
    Q_PROPERTY(std::uint32_t OutSize READ OutSize WRITE SetOBuffSize)
    Q_PROPERTY(std::uint32_t InBuffFree READ InBuffFree)
    Q_PROPERTY(std::uint32_t InBuffUsed READ InBuffUsed)
    Q_PROPERTY(std::uint32_t OutBuffFree READ OutBuffFree)
    Q_PROPERTY(std::uint32_t OutBuffUsed READ OutBuffUsed)
    Q_PROPERTY(int OutQueCount READ OutQueCount)
    Q_PROPERTY(int Baud READ Baud WRITE SetBaud)
    Q_PROPERTY(TBaudRate BaudRate READ BaudRate WRITE SetBaudRate)
    Q_PROPERTY(TComControl Control READ Control WRITE SetComControl)
    Q_PROPERTY(TParity Parity READ Parity WRITE SetParity)
    Q_PROPERTY(TStopBits StopBits READ StopBits WRITE SetStopBits)
    Q_PROPERTY(std::uint16_t DataBits READ DataBits WRITE SetDataBits)
    Q_PROPERTY(TEventStates MonitorEvents READ MonitorEvents WRITE SetMonitorEvents)
    Q_PROPERTY(std::uint16_t XonLim READ XonLim WRITE SetXonLim)
    Q_PROPERTY(std::uint16_t XoffLim READ XoffLim WRITE SetXoffLim)
    Q_PROPERTY(std::uint8_t XonChar READ XonChar WRITE SetXonChar)
    Q_PROPERTY(std::uint8_t XoffChar READ XoffChar WRITE SetXoffChar)
    Q_PROPERTY(std::uint8_t EventChar READ EventChar WRITE SetEventChar)

public:
    // The port's enumerations again, with the same names and order, so that Qt knows their names.
    enum TBaudRate {
        cbr110, cbr300, cbr600, cbr1200, cbr2400, cbr4800, cbr9600, cbr14400,
        cbr19200, cbr38400, cbr56000, cbr57600, cbr115200, cbr128000, cbr256000
    };
    Q_ENUM(TBaudRate)
    enum TParity { paNone, paOdd, paEven, paMark, paSpace };
    Q_ENUM(TParity)
    enum TStopBits { sb1_0, sb1_5, sb2_0 };
    Q_ENUM(TStopBits)
    enum TComControl { ccNone, ccSoft, ccHard };
    Q_ENUM(TComControl)
    // Each value is the bit of the port's event set (1 shifted left by the event's position).
    enum TEventState {
        evRxChar = 0x001, evRxEventChar = 0x002, evTxEmpty = 0x004, evCTS = 0x008, evDSR = 0x010,
        evRlsd = 0x020, evBreak = 0x040, evError = 0x080, evRing = 0x100
    };
    Q_DECLARE_FLAGS(TEventStates, TEventState)
    Q_FLAG(TEventStates)

    explicit TCommPortComponent(QObject* owner = nullptr);

    static void Register();

    TCommPort& Port() { return port_; }

    // The design position ("Left" and "Top") the window description carries.
    void DefineProperties(TFiler& filer) override { position_.DefineProperties(filer); }

    int ComNumber() const { return port_.ComNumber(); }
    void SetComNumber(int value) { port_.SetComNumber(value); }
    bool Open() const { return port_.Open(); }
    void SetOpen(bool value);
    void Loaded() override;
    bool DTR() const { return port_.DTR(); }
    void SetDTR(bool value) { port_.SetDTR(value); }
    bool RTS() const { return port_.RTS(); }
    void SetRTS(bool value) { port_.SetRTS(value); }
    bool CTS() const { return port_.CTS(); }
    bool DSR() const { return port_.DSR(); }
    bool DCD() const { return port_.DCD(); }
    bool Ring() const { return port_.Ring(); }
    std::uint32_t InSize() const { return port_.InSize(); }
    void SetIBuffSize(std::uint32_t value) { port_.SetIBuffSize(value); }
    std::uint32_t OutSize() const { return port_.OutSize(); }
    void SetOBuffSize(std::uint32_t value) { port_.SetOBuffSize(value); }
    std::uint32_t InBuffFree() const { return const_cast<TCommPort&>(port_).GetInBuffFree(); }
    std::uint32_t InBuffUsed() const { return port_.GetInBuffUsed(); }
    std::uint32_t OutBuffFree() const { return const_cast<TCommPort&>(port_).GetOutBuffFree(); }
    std::uint32_t OutBuffUsed() const { return port_.GetOutBuffUsed(); }
    int OutQueCount() const { return port_.GetOutQueCount(); }
    int Baud() const { return port_.GetBaud(); }
    void SetBaud(int value) { port_.SetBaud(value); }
    TBaudRate BaudRate() const { return static_cast<TBaudRate>(port_.BaudRate()); }
    void SetBaudRate(TBaudRate value) { port_.SetBaudRate(static_cast<::TBaudRate>(value)); }
    TComControl Control() const { return static_cast<TComControl>(port_.Control()); }
    void SetComControl(TComControl value) { port_.SetComControl(static_cast<::TComControl>(value)); }
    TParity Parity() const { return static_cast<TParity>(port_.Parity()); }
    void SetParity(TParity value) { port_.SetParity(static_cast<::TParity>(value)); }
    TStopBits StopBits() const { return static_cast<TStopBits>(port_.StopBits()); }
    void SetStopBits(TStopBits value) { port_.SetStopBits(static_cast<::TStopBits>(value)); }
    std::uint16_t DataBits() const { return port_.DataBits(); }
    void SetDataBits(std::uint16_t value) { port_.SetDataBits(value); }
    TEventStates MonitorEvents() const { return TEventStates::fromInt(port_.MonitorEvents().Bits()); }
    void SetMonitorEvents(TEventStates value)
    {
        port_.SetMonitorEvents(::TEventStates::FromBits(static_cast<std::uint16_t>(value.toInt())));
    }
    std::uint16_t XonLim() const { return port_.XonLim(); }
    void SetXonLim(std::uint16_t value) { port_.SetXonLim(value); }
    // What the port holds once its input buffer size caps it, which it does again at the next open: the
    // value a description gives back after InSize, so that writing what was read writes the same.
    std::uint16_t XoffLim() const;
    void SetXoffLim(std::uint16_t value) { port_.SetXoffLim(value); }
    std::uint8_t XonChar() const { return port_.XonChar(); }
    void SetXonChar(std::uint8_t value) { port_.SetXonChar(value); }
    std::uint8_t XoffChar() const { return port_.XoffChar(); }
    void SetXoffChar(std::uint8_t value) { port_.SetXoffChar(value); }
    std::uint8_t EventChar() const { return port_.EventChar(); }
    void SetEventChar(std::uint8_t value) { port_.SetEventChar(value); }

signals:
    void OnCTSSignal(QObject* Sender);
    void OnDCDSignal(QObject* Sender);
    void OnDSRSignal(QObject* Sender);
    void OnRxDSignal(QObject* Sender);
    void OnTxDSignal(QObject* Sender);
    void OnRingSignal(QObject* Sender);
    void OnBreakSignal(QObject* Sender);
    void OnRxEventSignal(QObject* Sender);
    void OnErrorSignal(QObject* Sender, qint32 Error);
    void OnDataReceived(QObject* Sender, quint32 Count);
    void OnOpen(QObject* Sender, qint32 Error);
    void OnClose(QObject* Sender);

private:
    TCommPort port_;
    TDesignPosition position_;
    bool openWhenLoaded_ = false;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TCommPortComponent::TEventStates)
