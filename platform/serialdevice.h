// A serial device behind an interface in the shape of the Windows communications calls.
// Every call returns success as bool; on failure the calling thread's last-error code is set (classlib/base/lasterror.h)
// and LastCause() names the reason. The interface is shared by three worker threads at once: waits, reads and
// writes may run concurrently with each other and with the configuration calls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// Driver event bits of the event mask and of WaitCommEvent.
constexpr std::uint32_t EV_RXCHAR = 0x0001;
constexpr std::uint32_t EV_RXFLAG = 0x0002;
constexpr std::uint32_t EV_TXEMPTY = 0x0004;
constexpr std::uint32_t EV_CTS = 0x0008;
constexpr std::uint32_t EV_DSR = 0x0010;
constexpr std::uint32_t EV_RLSD = 0x0020;
constexpr std::uint32_t EV_BREAK = 0x0040;
constexpr std::uint32_t EV_ERR = 0x0080;
constexpr std::uint32_t EV_RING = 0x0100;

// Modem status bits of GetCommModemStatus.
constexpr std::uint32_t MS_CTS_ON = 0x0010;
constexpr std::uint32_t MS_DSR_ON = 0x0020;
constexpr std::uint32_t MS_RING_ON = 0x0040;
constexpr std::uint32_t MS_RLSD_ON = 0x0080;

// PurgeComm actions.
constexpr std::uint32_t PURGE_TXABORT = 0x0001;
constexpr std::uint32_t PURGE_RXABORT = 0x0002;
constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;
constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;

// EscapeCommFunction functions.
constexpr std::uint32_t SETRTS = 3;
constexpr std::uint32_t CLRRTS = 4;
constexpr std::uint32_t SETDTR = 5;
constexpr std::uint32_t CLRDTR = 6;
constexpr std::uint32_t SETBREAK = 8;
constexpr std::uint32_t CLRBREAK = 9;

// Line error bits of ClearCommError.
constexpr std::uint32_t CE_RXOVER = 0x0001;
constexpr std::uint32_t CE_OVERRUN = 0x0002;
constexpr std::uint32_t CE_RXPARITY = 0x0004;
constexpr std::uint32_t CE_FRAME = 0x0008;
constexpr std::uint32_t CE_BREAK = 0x0010;

// The flag word of the line settings record.
constexpr std::uint32_t DCB_BINARY = 0x0001;
constexpr std::uint32_t DCB_PARITY = 0x0002;
constexpr std::uint32_t DCB_OUTX_CTS_FLOW = 0x0004;
constexpr std::uint32_t DCB_OUTX_DSR_FLOW = 0x0008;
constexpr std::uint32_t DCB_DTR_CONTROL_ENABLE = 0x0010;
constexpr std::uint32_t DCB_DTR_CONTROL_HANDSHAKE = 0x0020;
constexpr std::uint32_t DCB_OUTX = 0x0100;
constexpr std::uint32_t DCB_INX = 0x0200;
constexpr std::uint32_t DCB_RTS_CONTROL_ENABLE = 0x1000;
constexpr std::uint32_t DCB_RTS_CONTROL_HANDSHAKE = 0x2000;

// Parity and stop-bit codes of the line settings record.
constexpr std::uint8_t NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr std::uint8_t ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;

// The line settings record (device control block).
struct TDcb {
    std::uint32_t BaudRate = 9600;
    std::uint32_t Flags = DCB_BINARY;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = NOPARITY;
    std::uint8_t StopBits = ONESTOPBIT;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    friend bool operator==(const TDcb&, const TDcb&) = default;
};

struct TCommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

struct TComStat {
    std::uint32_t InQue = 0;
    std::uint32_t OutQue = 0;
};

// Why a call failed; each cause has readable text and an error code for the last-error value.
enum class SerialCause {
    None,
    NoSuchPort,
    InUse,
    NoPermission,
    Unplugged,
    NotSupported,
    InvalidParameter,
    IoFailure,
    Cancelled,   // CancelIo, or a purge that aborted the pending write
    NoResources, // the system could not provide what the call needs (threads, memory)
};
const char* SerialCauseText(SerialCause cause);
std::int32_t SerialCauseCode(SerialCause cause);

class ISerialDevice {
public:
    virtual ~ISerialDevice() = default;

    virtual bool SetupComm(std::uint32_t inQueue, std::uint32_t outQueue) = 0;
    virtual bool SetCommTimeouts(const TCommTimeouts& timeouts) = 0;
    virtual bool GetCommState(TDcb& dcb) = 0;
    virtual bool SetCommState(const TDcb& dcb) = 0;
    // Setting a new mask (an empty one included) ends a pending WaitCommEvent, which then reports no events.
    // Emptying the mask while no wait is pending ends the next wait once, at once, so that a stop request
    // made just before a wait starts is not missed.
    virtual bool SetCommMask(std::uint32_t mask) = 0;
    // Blocks until one of the masked events happens; never returns at once again and again for the same event.
    virtual bool WaitCommEvent(std::uint32_t& events) = 0;
    virtual bool ClearCommError(std::uint32_t& errors, TComStat& status) = 0;
    // Reads at most length bytes that are already waiting; never waits for the line.
    virtual bool ReadFile(void* buffer, std::uint32_t length, std::uint32_t& read) = 0;
    // Writes the bytes, waiting while the driver cannot take them until done or CancelIo.
    virtual bool WriteFile(const void* buffer, std::uint32_t length, std::uint32_t& written) = 0;
    virtual bool PurgeComm(std::uint32_t flags) = 0;
    virtual bool EscapeCommFunction(std::uint32_t function) = 0;
    virtual bool GetCommModemStatus(std::uint32_t& status) = 0;
    // Ends every pending wait and write of this device at once; later waits and writes fail at once.
    // Used when the port closes so that no worker stays blocked on the device.
    virtual void CancelIo() = 0;
    // The cause of this thread's last failed call.
    virtual SerialCause LastCause() const = 0;
};

// Opens "\\.\COM<n>" (or any name the platform knows) exclusively, for concurrent use by several threads.
// On failure returns null, sets the last-error code and fills cause.
using SerialOpener = std::function<std::unique_ptr<ISerialDevice>(const std::string& name, SerialCause& cause)>;
std::unique_ptr<ISerialDevice> OpenSerialDevice(const std::string& name, SerialCause& cause);

// Replaces the platform's opener, for test doubles; an empty function restores the platform's own.
void SetSerialOpener(SerialOpener opener);

} // namespace platform
