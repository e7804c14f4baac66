// The serial device over the Windows communications calls. The device is opened for overlapped I/O so that
// the status, read and write threads use it at once, each with its own operation record; CancelIo ends every
// pending operation through CancelIoEx, so a close never waits for the line.
#include "platform/serialdevice_os.h"

#include "platform/win32/dcbconvert.h"
#include "platform/win32/overlappedcall.h"
#include "platform/win32/win32errors.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <mutex>

namespace platform {

namespace {

constexpr std::uint32_t kKnownEvents = 0x01FF;
constexpr DWORD kPollInterval = 50; // ms between looks at the input queue where the driver cannot wait
// After a write, while a reply may come, the looks are closer together: a device that answers and then goes
// away (a pseudo-terminal's other end closing drops what was not read yet) must not lose its reply, and a
// reply just before the caller's deadline must be seen before it.
constexpr DWORD kReplyPollInterval = 2;
constexpr ULONGLONG kReplyWatchTime = 3500; // ms after a write
constexpr std::uint32_t kKnownPurges = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

bool KnownFunction(std::uint32_t function)
{
    switch (function) {
    case SETRTS:
    case CLRRTS:
    case SETDTR:
    case CLRDTR:
    case SETBREAK:
    case CLRBREAK: return true;
    }
    return false;
}

bool ValidLine(const TDcb& dcb)
{
    return dcb.ByteSize >= 5 && dcb.ByteSize <= 8 && dcb.Parity <= SPACEPARITY && dcb.StopBits <= TWOSTOPBITS;
}

// The port's own name in upper case, whatever way it was spelled: Windows reads '/' as '\', the device
// prefix "\\.\" or "\\?\", and ignores blanks and dots at the end.
std::string PortKey(const std::string& name)
{
    std::string port = name;
    std::replace(port.begin(), port.end(), '/', '\\');
    if (port.starts_with("\\\\.\\") || port.starts_with("\\\\?\\"))
        port.erase(0, 4);
    port.erase(port.find_last_not_of(" .") + 1);
    for (char& c : port)
        c = c == '\\' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return port;
}

// Windows refuses a second open of a port by itself; Wine does not for the devices it maps to Linux nodes.
// So every open also claims a named object for the port, which exists as long as a holder keeps it. Nothing,
// with the cause, when another holder has it or the name cannot be one of a port.
HANDLE ClaimPort(const std::string& name, SerialCause& cause)
{
    const HANDLE claim = ::CreateMutexA(nullptr, FALSE, ("Local\\zentor-port-" + PortKey(name)).c_str());
    const DWORD error = ::GetLastError();
    if (!claim) {
        // A claim this user may not open exists, so somebody else holds the port.
        cause = error == ERROR_ACCESS_DENIED ? SerialCause::InUse : CauseOfWin32OpenError(error);
        return nullptr;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(claim);
        cause = SerialCause::InUse;
        return nullptr;
    }
    return claim;
}

class TWin32SerialDevice final : public ISerialDevice {
public:
    TWin32SerialDevice(HANDLE handle, HANDLE claim);
    ~TWin32SerialDevice() override;

    bool SetupComm(std::uint32_t inQueue, std::uint32_t outQueue) override;
    bool SetCommTimeouts(const TCommTimeouts& timeouts) override;
    bool GetCommState(TDcb& dcb) override;
    bool SetCommState(const TDcb& dcb) override;
    bool SetCommMask(std::uint32_t mask) override;
    bool WaitCommEvent(std::uint32_t& events) override;
    bool ClearCommError(std::uint32_t& errors, TComStat& status) override;
    bool ReadFile(void* buffer, std::uint32_t length, std::uint32_t& read) override;
    bool WriteFile(const void* buffer, std::uint32_t length, std::uint32_t& written) override;
    bool PurgeComm(std::uint32_t flags) override;
    bool EscapeCommFunction(std::uint32_t function) override;
    bool GetCommModemStatus(std::uint32_t& status) override;
    void CancelIo() override;
    SerialCause LastCause() const override { return LastSerialCause(); }
    bool Ready() const;

private:
    bool Check(BOOL ok);
    bool FailError(DWORD code);
    bool FailStopped();
    bool Usable();
    void MarkUnplugged();
    bool WaitLoop(std::uint32_t& events);
    bool WaitWhileUnplugged(std::uint64_t generation);
    void WaitForWake(DWORD timeout);
    DWORD PollInterval() const;
    bool QueryQueues(DWORD& errors, COMSTAT& status);
    std::uint32_t InputGrowth(std::uint32_t mask);
    void Consumed(std::uint32_t bytes);

    const HANDLE handle_;
    const HANDLE claim_;
    const HANDLE cancel_;      // CancelIo; stays signalled
    const HANDLE maskChanged_; // wakes the waiter: a mask change, the device's removal, a write (a reply is due)
    TOverlappedCall waitCall_;
    TOverlappedCall readCall_;
    TOverlappedCall writeCall_;

    std::atomic<bool> cancelled_{false};
    std::atomic<bool> unplugged_{false};
    std::atomic<bool> waiting_{false};
    bool polled_ = false; // the driver cannot wait for line events; owned by the one thread inside WaitCommEvent
    std::atomic<std::uint32_t> mask_{0};
    std::atomic<std::uint64_t> maskGeneration_{0};
    std::uint64_t seenGeneration_ = 0; // owned by the one thread inside WaitCommEvent
    std::atomic<std::uint32_t> seenInQue_{0};  // input bytes already reported as received
    std::atomic<std::uint32_t> heldErrors_{0}; // line errors the waiter found, for the next ClearCommError
    std::atomic<ULONGLONG> lastWrite_{0};      // GetTickCount64 of the last write, 0 before the first

    std::mutex readLock_;
    std::mutex writeLock_;
    std::mutex stateLock_; // read-modify-write of the driver's block
};

TWin32SerialDevice::TWin32SerialDevice(HANDLE handle, HANDLE claim)
    : handle_(handle), claim_(claim), cancel_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      maskChanged_(::CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
}

TWin32SerialDevice::~TWin32SerialDevice()
{
    for (HANDLE handle : {handle_, claim_, cancel_, maskChanged_})
        if (handle)
            ::CloseHandle(handle);
}

bool TWin32SerialDevice::Ready() const
{
    return cancel_ && maskChanged_ && waitCall_.Valid() && readCall_.Valid() && writeCall_.Valid();
}

bool TWin32SerialDevice::Check(BOOL ok)
{
    return ok ? true : FailError(::GetLastError());
}

bool TWin32SerialDevice::FailError(DWORD code)
{
    const SerialCause cause = CauseOfWin32Error(code);
    if (cause == SerialCause::Unplugged)
        MarkUnplugged();
    return cancelled_.load() && cause == SerialCause::Cancelled ? FailStopped() : FailSerialCall(cause);
}

bool TWin32SerialDevice::FailStopped()
{
    return FailSerialCall(unplugged_.load() ? SerialCause::Unplugged : SerialCause::Cancelled);
}

// A removed device fails every call at once.
bool TWin32SerialDevice::Usable()
{
    return unplugged_.load() ? FailSerialCall(SerialCause::Unplugged) : true;
}

void TWin32SerialDevice::MarkUnplugged()
{
    if (!unplugged_.exchange(true))
        ::SetEvent(maskChanged_);
}

bool TWin32SerialDevice::SetupComm(std::uint32_t inQueue, std::uint32_t outQueue)
{
    return Usable() && Check(::SetupComm(handle_, inQueue, outQueue));
}

bool TWin32SerialDevice::SetCommTimeouts(const TCommTimeouts& timeouts)
{
    COMMTIMEOUTS native = NativeTimeouts(timeouts);
    return Usable() && Check(::SetCommTimeouts(handle_, &native));
}

bool TWin32SerialDevice::GetCommState(TDcb& dcb)
{
    if (!Usable())
        return false;
    DCB native{};
    native.DCBlength = sizeof native;
    if (!Check(::GetCommState(handle_, &native)))
        return false;
    dcb = DcbFromNative(native);
    return true;
}

bool TWin32SerialDevice::SetCommState(const TDcb& dcb)
{
    if (!Usable())
        return false;
    if (!ValidLine(dcb))
        return FailSerialCall(SerialCause::InvalidParameter);
    std::lock_guard lock(stateLock_);
    DCB native{};
    native.DCBlength = sizeof native;
    if (!Check(::GetCommState(handle_, &native)))
        return false;
    ApplyDcb(dcb, native);
    return Check(::SetCommState(handle_, &native));
}

// The new mask is counted before the driver ends the pending wait, so the waiter always sees it.
bool TWin32SerialDevice::SetCommMask(std::uint32_t mask)
{
    mask_.store(mask & kKnownEvents);
    maskGeneration_.fetch_add(1);
    ::SetEvent(maskChanged_);
    return Usable() && Check(::SetCommMask(handle_, mask & kKnownEvents));
}

bool TWin32SerialDevice::WaitCommEvent(std::uint32_t& events)
{
    events = 0;
    if (cancelled_.load())
        return FailStopped();
    if (waiting_.exchange(true, std::memory_order_acquire))
        return FailSerialCall(SerialCause::InvalidParameter); // one wait at a time, as the driver allows
    const bool ok = WaitLoop(events);
    waiting_.store(false, std::memory_order_release);
    return ok;
}

// What Wine's driver does on a pseudo-terminal: it refuses a wait that includes modem-line events with
// "not supported", ends other waits every few milliseconds with "aborted" (at a high cost in CPU time) while
// nothing happens, and never reports received characters. So before each wait the waiter looks at the input
// queue and reports character-received when it grew; and once the driver has refused a wait or ended one
// idle, the waiter no longer asks it but looks at the queue every kPollInterval. Only a mask change ends a
// wait without events.
bool TWin32SerialDevice::WaitLoop(std::uint32_t& events)
{
    const std::uint64_t generation = maskGeneration_.load();
    const bool maskChanged = generation != seenGeneration_;
    seenGeneration_ = generation;
    if (maskChanged && mask_.load() == 0)
        return true;
    for (;;) {
        if (cancelled_.load())
            return FailStopped();
        if (maskGeneration_.load() != generation) {
            seenGeneration_ = maskGeneration_.load();
            return true;
        }
        if ((events = InputGrowth(mask_.load())) != 0)
            return true;
        if (unplugged_.load())
            return WaitWhileUnplugged(generation);
        if (polled_ || mask_.load() == 0) {
            WaitForWake(mask_.load() & EV_RXCHAR ? PollInterval() : INFINITE);
            continue;
        }
        DWORD happened = 0;
        const auto result = waitCall_.Run(handle_, cancel_, [&](OVERLAPPED* record) {
            return ::WaitCommEvent(handle_, &happened, record);
        });
        if (maskGeneration_.load() != generation || cancelled_.load())
            continue;
        if (result.Ok && (events = happened & mask_.load()) != 0) {
            InputGrowth(0); // the driver reported what arrived; the queue's growth is no news any more
            return true;
        }
        const SerialCause cause = result.Ok ? SerialCause::None : CauseOfWin32Error(result.Error);
        polled_ = cause == SerialCause::None || cause == SerialCause::Cancelled || cause == SerialCause::NotSupported;
        if (!polled_)
            return FailError(result.Error);
    }
}

// Until CancelIo, a mask change, the device's removal or the timeout.
void TWin32SerialDevice::WaitForWake(DWORD timeout)
{
    const HANDLE wakes[2] = {cancel_, maskChanged_};
    ::WaitForMultipleObjects(2, wakes, FALSE, timeout);
}

DWORD TWin32SerialDevice::PollInterval() const
{
    const ULONGLONG written = lastWrite_.load();
    return written != 0 && ::GetTickCount64() - written < kReplyWatchTime ? kReplyPollInterval : kPollInterval;
}

bool TWin32SerialDevice::QueryQueues(DWORD& errors, COMSTAT& status)
{
    status = COMSTAT{};
    return Check(::ClearCommError(handle_, &errors, &status));
}

// EV_RXCHAR when the input queue holds more than was already reported, and mask asks for it.
std::uint32_t TWin32SerialDevice::InputGrowth(std::uint32_t mask)
{
    DWORD errors = 0;
    COMSTAT status;
    if (!QueryQueues(errors, status))
        return 0;
    heldErrors_.fetch_or(errors);
    const std::uint32_t before = seenInQue_.exchange(status.cbInQue);
    return status.cbInQue > before ? mask & EV_RXCHAR : 0;
}

// Bytes taken from the queue no longer count as reported, so that the next arrival counts as growth.
void TWin32SerialDevice::Consumed(std::uint32_t bytes)
{
    std::uint32_t seen = seenInQue_.load();
    while (!seenInQue_.compare_exchange_weak(seen, seen - std::min(seen, bytes))) {
    }
}

// A removed device is not watched any more: the wait ends only through a mask change or CancelIo.
bool TWin32SerialDevice::WaitWhileUnplugged(std::uint64_t generation)
{
    while (!cancelled_.load() && maskGeneration_.load() == generation)
        WaitForWake(INFINITE);
    seenGeneration_ = maskGeneration_.load();
    return FailSerialCall(SerialCause::Unplugged);
}

bool TWin32SerialDevice::ClearCommError(std::uint32_t& errors, TComStat& status)
{
    errors = 0;
    status = {};
    if (!Usable())
        return false;
    DWORD found = 0;
    COMSTAT native;
    if (!QueryQueues(found, native))
        return false;
    errors = found | heldErrors_.exchange(0);
    status.InQue = native.cbInQue;
    status.OutQue = native.cbOutQue;
    return true;
}

bool TWin32SerialDevice::ReadFile(void* buffer, std::uint32_t length, std::uint32_t& read)
{
    read = 0;
    if (cancelled_.load())
        return FailStopped();
    if (!Usable())
        return false;
    std::lock_guard lock(readLock_);
    const auto result = readCall_.Run(handle_, cancel_, [&](OVERLAPPED* record) {
        return ::ReadFile(handle_, buffer, length, nullptr, record);
    });
    read = result.Transferred;
    Consumed(read);
    return result.Ok || FailError(result.Error);
}

bool TWin32SerialDevice::WriteFile(const void* buffer, std::uint32_t length, std::uint32_t& written)
{
    written = 0;
    if (cancelled_.load())
        return FailStopped();
    if (!Usable())
        return false;
    std::lock_guard lock(writeLock_);
    const auto result = writeCall_.Run(handle_, cancel_, [&](OVERLAPPED* record) {
        return ::WriteFile(handle_, buffer, length, nullptr, record);
    });
    written = result.Transferred;
    if (written > 0) {
        lastWrite_.store(::GetTickCount64());
        ::SetEvent(maskChanged_); // the waiter looks more often from now on
    }
    return result.Ok || FailError(result.Error);
}

bool TWin32SerialDevice::PurgeComm(std::uint32_t flags)
{
    if (!Usable())
        return false;
    if (flags & ~kKnownPurges)
        return FailSerialCall(SerialCause::InvalidParameter);
    if (flags & PURGE_RXCLEAR)
        seenInQue_.store(0);
    return Check(::PurgeComm(handle_, flags));
}

bool TWin32SerialDevice::EscapeCommFunction(std::uint32_t function)
{
    if (!Usable())
        return false;
    if (!KnownFunction(function))
        return FailSerialCall(SerialCause::InvalidParameter);
    return Check(::EscapeCommFunction(handle_, function));
}

bool TWin32SerialDevice::GetCommModemStatus(std::uint32_t& status)
{
    status = 0;
    if (!Usable())
        return false;
    DWORD bits = 0;
    if (!Check(::GetCommModemStatus(handle_, &bits)))
        return false;
    status = bits;
    return true;
}

void TWin32SerialDevice::CancelIo()
{
    cancelled_.store(true);
    ::SetEvent(cancel_);
    ::CancelIoEx(handle_, nullptr);
}

std::unique_ptr<ISerialDevice> FailOpen(HANDLE handle, HANDLE claim, SerialCause given, SerialCause& cause)
{
    if (handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(handle);
    if (claim)
        ::CloseHandle(claim);
    cause = given;
    FailSerialCall(given);
    return nullptr;
}

// Windows refuses to open a folder as a file with "access denied"; a name that leads to a folder is no
// port at all, as on Linux.
SerialCause CauseOfCreateFileError(const std::string& name, DWORD error)
{
    const DWORD attributes = ::GetFileAttributesA(name.c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return SerialCause::NoSuchPort;
    return CauseOfWin32OpenError(error);
}

// Only a communications device answers GetCommState.
bool IsCommDevice(HANDLE handle)
{
    DCB native{};
    native.DCBlength = sizeof native;
    return ::GetCommState(handle, &native) != FALSE;
}

} // namespace

std::unique_ptr<ISerialDevice> OpenOsSerialDevice(const std::string& name, SerialCause& cause)
{
    SerialCause claimFailure = SerialCause::None;
    const HANDLE claim = ClaimPort(name, claimFailure);
    if (!claim)
        return FailOpen(INVALID_HANDLE_VALUE, nullptr, claimFailure, cause);
    const HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return FailOpen(handle, claim, CauseOfCreateFileError(name, ::GetLastError()), cause);
    if (!IsCommDevice(handle))
        return FailOpen(handle, claim, SerialCause::NoSuchPort, cause);
    auto device = std::make_unique<TWin32SerialDevice>(handle, claim);
    if (!device->Ready())
        return FailOpen(INVALID_HANDLE_VALUE, nullptr, SerialCause::NoResources, cause); // the device closes its handles
    cause = SerialCause::None;
    return device;
}

} // namespace platform
