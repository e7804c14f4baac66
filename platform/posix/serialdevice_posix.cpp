// The serial device on a POSIX terminal device. Waits and blocked writes poll() the device together with
// wake-up descriptors, so that a mask change, CancelIo or a purge ends them at once; every other call
// returns without waiting for the line.
#include "platform/serialdevice_os.h"

#include "classlib/base/lasterror.h"
#include "platform/portmap.h"
#include "platform/posix/linestate.h"
#include "platform/posix/termiosmap.h"
#include "platform/posix/wakeup.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

namespace {

thread_local SerialCause lastCause = SerialCause::None;

constexpr std::uint32_t kKnownEvents = 0x01FF;
constexpr std::uint32_t kInputEvents = EV_RXCHAR | EV_RXFLAG;
constexpr std::uint32_t kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr std::uint32_t kCounterEvents = EV_BREAK | EV_ERR | EV_RING;
constexpr std::uint32_t kDefaultInQueue = 4096;
constexpr std::chrono::milliseconds kLinePollInterval(50);
constexpr short kGone = POLLHUP | POLLERR | POLLNVAL;

bool Fail(SerialCause cause)
{
    lastCause = cause;
    SetLastError(SerialCauseCode(cause));
    return false;
}

bool IsRemovalError(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

SerialCause CauseOfError(int error)
{
    switch (error) {
    case ENOTTY: return SerialCause::NotSupported;
    case EINVAL: return SerialCause::InvalidParameter;
    case EACCES:
    case EPERM: return SerialCause::NoPermission;
    case EBUSY: return SerialCause::InUse;
    }
    return IsRemovalError(error) ? SerialCause::Unplugged : SerialCause::IoFailure;
}

SerialCause CauseOfOpenError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case EISDIR:
    case ENXIO:
    case ENODEV: return SerialCause::NoSuchPort;
    case EACCES:
    case EPERM:
    case EROFS: return SerialCause::NoPermission;
    case EBUSY: return SerialCause::InUse;
    }
    return SerialCause::IoFailure;
}

struct TLineSupport {
    bool ModemLines = false;
    bool Counters = false;
};

// What poll() saw: the cancel or wake-up descriptor, the device gone, input, or room for output.
struct TPollResult {
    bool Cancelled = false;
    bool Woken = false;
    bool Gone = false;
    bool Input = false;
    bool Output = false;
};

TPollResult PollDevice(int deviceFd, short deviceEvents, int cancelFd, int wakeFd, int timeoutMs)
{
    pollfd fds[3] = {{cancelFd, POLLIN, 0}, {wakeFd, POLLIN, 0}, {deviceFd, deviceEvents, 0}};
    TPollResult result;
    if (::poll(fds, 3, timeoutMs) <= 0)
        return result;
    result.Cancelled = fds[0].revents & POLLIN;
    result.Woken = fds[1].revents & POLLIN;
    result.Gone = fds[2].revents & kGone;
    result.Input = fds[2].revents & POLLIN;
    result.Output = fds[2].revents & POLLOUT;
    return result;
}

// What one pass of taking input from the driver brought.
struct TInput {
    std::size_t Bytes = 0;
    bool EventChar = false;
    bool Gone = false;
};

class TPosixSerialDevice final : public ISerialDevice {
public:
    TPosixSerialDevice(int fd, const TDcb& dcb, TLineSupport support);
    ~TPosixSerialDevice() override;

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
    SerialCause LastCause() const override { return lastCause; }
    bool Ready() const { return cancel_.Valid() && wake_.Valid() && txAbort_.Valid(); }

private:
    bool FailUnplugged();
    bool FailError(int error);
    bool FailStopped();
    bool Stopped() const { return cancelled_.load() || unplugged_.load(); }
    void MarkUnplugged();

    bool WaitLoop(std::uint32_t& events);
    bool WaitWhileUnplugged(std::uint64_t generation);
    std::uint32_t ReadyEvents(std::uint32_t mask);
    std::uint32_t TransmitEvents(std::uint32_t mask);
    std::uint32_t LineChangeEvents(std::uint32_t mask);
    bool WatchesLine(std::uint32_t mask) const;
    int WaitTimeout(std::uint32_t mask);
    short InputInterest(std::uint32_t mask);
    std::uint32_t InputEvents(const TInput& input, std::uint32_t mask);
    TInput PullInput();
    std::size_t TakeBuffered(unsigned char* buffer, std::size_t length);
    std::uint32_t TakeLineErrors();

    bool WriteAll(const unsigned char* bytes, std::uint32_t length, std::uint32_t& written);
    bool WaitWritable(std::uint64_t abortGeneration);

    std::optional<TLineSnapshot> Snapshot() const;
    bool ModemControl(unsigned long request, int bits);

    const int fd_;
    const TLineSupport support_;
    TWakeup cancel_;  // CancelIo; stays signalled
    TWakeup wake_;    // mask change, freed input space, finished write: the waiter looks again
    TWakeup txAbort_; // PURGE_TXABORT ends the pending write

    std::atomic<bool> cancelled_{false};
    std::atomic<bool> unplugged_{false};
    std::atomic<bool> waiting_{false};
    std::atomic<bool> txPending_{false};
    std::atomic<std::uint32_t> mask_{0};
    std::atomic<std::uint64_t> maskGeneration_{0};
    std::atomic<std::uint64_t> txAbortGeneration_{0};
    std::atomic<char> eventChar_;
    std::atomic<std::uint32_t> baud_;

    // Owned by the one thread inside WaitCommEvent (waiting_ hands them from one wait to the next).
    std::uint64_t seenGeneration_ = 0;
    TLineSnapshot eventBase_;
    std::uint32_t lastQueued_ = 0; // the output queue at the last drain check, and the wait chosen then
    std::chrono::milliseconds drainWait_{0};

    // Input taken from the driver by the waiter, so that it can tell new bytes from waiting ones.
    // Every read of the device happens under rxLock_, so the bytes stay in order.
    std::mutex rxLock_;
    std::vector<unsigned char> rx_;
    std::size_t rxCapacity_ = kDefaultInQueue;

    std::mutex writeLock_;

    std::mutex stateLock_;
    TDcb dcb_;

    std::mutex errorLock_;
    TLineSnapshot errorBase_;
};

TPosixSerialDevice::TPosixSerialDevice(int fd, const TDcb& dcb, TLineSupport support)
    : fd_(fd), support_(support), eventChar_(dcb.EvtChar), baud_(dcb.BaudRate), dcb_(dcb)
{
    eventBase_ = Snapshot().value_or(TLineSnapshot{});
    errorBase_ = eventBase_;
}

TPosixSerialDevice::~TPosixSerialDevice()
{
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
}

bool TPosixSerialDevice::FailUnplugged()
{
    MarkUnplugged();
    return Fail(SerialCause::Unplugged);
}

bool TPosixSerialDevice::FailError(int error)
{
    return IsRemovalError(error) ? FailUnplugged() : Fail(CauseOfError(error));
}

bool TPosixSerialDevice::FailStopped()
{
    return Fail(unplugged_.load() ? SerialCause::Unplugged : SerialCause::Cancelled);
}

// From now on every call fails; the waiter is woken so that it stops watching the dead device.
void TPosixSerialDevice::MarkUnplugged()
{
    if (!unplugged_.exchange(true))
        wake_.Signal();
}

bool TPosixSerialDevice::SetupComm(std::uint32_t inQueue, std::uint32_t)
{
    if (unplugged_.load())
        return Fail(SerialCause::Unplugged);
    if (inQueue > 0) {
        std::lock_guard lock(rxLock_);
        rxCapacity_ = inQueue;
    }
    wake_.Signal();
    return true;
}

// Reads never wait for the line and writes wait until done or cancelled, whatever the time-outs say:
// the callers ask only for bytes already waiting, so a read that never waits serves them under any time-outs.
bool TPosixSerialDevice::SetCommTimeouts(const TCommTimeouts&)
{
    return unplugged_.load() ? Fail(SerialCause::Unplugged) : true;
}

bool TPosixSerialDevice::GetCommState(TDcb& dcb)
{
    if (unplugged_.load())
        return Fail(SerialCause::Unplugged);
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0)
        return FailError(errno);
    std::lock_guard lock(stateLock_);
    dcb = DcbFromTermios(tio, dcb_);
    return true;
}

bool TPosixSerialDevice::SetCommState(const TDcb& dcb)
{
    if (unplugged_.load())
        return Fail(SerialCause::Unplugged);
    std::lock_guard lock(stateLock_);
    termios current{};
    if (::tcgetattr(fd_, &current) != 0)
        return FailError(errno);
    const std::optional<termios> wanted = TermiosFromDcb(dcb, current);
    if (!wanted)
        return Fail(SerialCause::InvalidParameter);
    if (::tcsetattr(fd_, TCSANOW, &*wanted) != 0)
        return FailError(errno);
    dcb_ = dcb;
    eventChar_.store(dcb.EvtChar);
    baud_.store(dcb.BaudRate);
    return true;
}

// The new mask is counted before the waiter is woken, so a waiter that wakes always sees it.
bool TPosixSerialDevice::SetCommMask(std::uint32_t mask)
{
    mask_.store(mask & kKnownEvents);
    maskGeneration_.fetch_add(1);
    wake_.Signal();
    return unplugged_.load() ? Fail(SerialCause::Unplugged) : true;
}

bool TPosixSerialDevice::WaitCommEvent(std::uint32_t& events)
{
    events = 0;
    if (cancelled_.load())
        return FailStopped();
    if (waiting_.exchange(true, std::memory_order_acquire))
        return Fail(SerialCause::InvalidParameter); // one wait at a time, as the driver allows
    const bool ok = WaitLoop(events);
    waiting_.store(false, std::memory_order_release);
    return ok;
}

bool TPosixSerialDevice::WaitLoop(std::uint32_t& events)
{
    const std::uint64_t generation = maskGeneration_.load();
    const bool maskChanged = generation != seenGeneration_;
    seenGeneration_ = generation;
    if (maskChanged && mask_.load() == 0)
        return true;
    if (maskChanged)
        eventBase_ = Snapshot().value_or(eventBase_);
    for (;;) {
        if (cancelled_.load())
            return FailStopped();
        if (unplugged_.load())
            return WaitWhileUnplugged(generation);
        if (maskGeneration_.load() != generation) {
            seenGeneration_ = maskGeneration_.load();
            return true;
        }
        const std::uint32_t mask = mask_.load();
        if ((events = ReadyEvents(mask)) != 0)
            return true;
        const TPollResult woke = PollDevice(fd_, InputInterest(mask), cancel_.Fd(), wake_.Fd(), WaitTimeout(mask));
        if (woke.Woken)
            wake_.Drain();
        if (woke.Gone)
            MarkUnplugged();
        else if (woke.Input && (events = InputEvents(PullInput(), mask)) != 0)
            return true;
    }
}

// A removed device is not watched any more: the wait ends only through a mask change or CancelIo.
bool TPosixSerialDevice::WaitWhileUnplugged(std::uint64_t generation)
{
    while (!cancelled_.load() && maskGeneration_.load() == generation) {
        pollfd fds[2] = {{cancel_.Fd(), POLLIN, 0}, {wake_.Fd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) > 0 && (fds[1].revents & POLLIN))
            wake_.Drain();
    }
    seenGeneration_ = maskGeneration_.load();
    return Fail(SerialCause::Unplugged);
}

std::uint32_t TPosixSerialDevice::ReadyEvents(std::uint32_t mask)
{
    return TransmitEvents(mask) | LineChangeEvents(mask);
}

// Transmit-empty is due once after a write, when the driver's output queue has drained.
std::uint32_t TPosixSerialDevice::TransmitEvents(std::uint32_t mask)
{
    if (!(mask & EV_TXEMPTY) || !txPending_.load())
        return 0;
    int queued = 0;
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 && IsRemovalError(errno)) {
        MarkUnplugged();
        return 0;
    }
    return queued <= 0 && txPending_.exchange(false) ? EV_TXEMPTY : 0;
}

std::uint32_t TPosixSerialDevice::LineChangeEvents(std::uint32_t mask)
{
    if (!WatchesLine(mask))
        return 0;
    const std::optional<TLineSnapshot> now = Snapshot();
    if (!now)
        return 0;
    const std::uint32_t events = LineEvents(eventBase_, *now) & mask;
    eventBase_ = *now;
    return events;
}

bool TPosixSerialDevice::WatchesLine(std::uint32_t mask) const
{
    return (support_.ModemLines && (mask & kModemEvents)) || (support_.Counters && (mask & kCounterEvents));
}

// Without line watching or a draining output queue the wait needs no timer at all. A queue that flow control
// holds back is looked at less and less often, up to the line-watch interval, so a held-off port stays idle.
int TPosixSerialDevice::WaitTimeout(std::uint32_t mask)
{
    std::optional<std::chrono::milliseconds> timeout;
    if (WatchesLine(mask))
        timeout = kLinePollInterval;
    if ((mask & EV_TXEMPTY) && txPending_.load()) {
        int queued = 0;
        ::ioctl(fd_, TIOCOUTQ, &queued);
        const auto now = static_cast<std::uint32_t>(std::max(queued, 0));
        drainWait_ = NextDrainCheck(lastQueued_, now, drainWait_, baud_.load(), kLinePollInterval);
        lastQueued_ = now;
        timeout = std::min(timeout.value_or(kLinePollInterval), drainWait_);
    }
    return timeout ? static_cast<int>(timeout->count()) : -1;
}

// Input is watched only while the mask asks for it and there is room to take it; a full buffer would
// otherwise keep poll() returning at once.
short TPosixSerialDevice::InputInterest(std::uint32_t mask)
{
    if (!(mask & kInputEvents))
        return 0;
    std::lock_guard lock(rxLock_);
    return rx_.size() < rxCapacity_ ? POLLIN : 0;
}

std::uint32_t TPosixSerialDevice::InputEvents(const TInput& input, std::uint32_t mask)
{
    if (input.Gone)
        MarkUnplugged();
    std::uint32_t events = 0;
    if (input.Bytes > 0)
        events |= EV_RXCHAR;
    if (input.EventChar)
        events |= EV_RXFLAG;
    return events & mask;
}

// Takes whatever the driver holds, up to the free room: these bytes are the ones that have arrived.
TInput TPosixSerialDevice::PullInput()
{
    TInput input;
    const char eventChar = eventChar_.load();
    std::lock_guard lock(rxLock_);
    while (rx_.size() < rxCapacity_) {
        unsigned char chunk[4096];
        const std::size_t room = std::min(sizeof chunk, rxCapacity_ - rx_.size());
        const ssize_t n = ::read(fd_, chunk, room);
        if (n <= 0) {
            input.Gone = n == 0 || IsRemovalError(errno);
            break;
        }
        input.EventChar = input.EventChar || std::memchr(chunk, eventChar, static_cast<std::size_t>(n)) != nullptr;
        rx_.insert(rx_.end(), chunk, chunk + n);
        input.Bytes += static_cast<std::size_t>(n);
    }
    return input;
}

bool TPosixSerialDevice::ClearCommError(std::uint32_t& errors, TComStat& status)
{
    errors = 0;
    status = TComStat{};
    std::size_t buffered = 0;
    {
        std::lock_guard lock(rxLock_);
        buffered = rx_.size();
    }
    int waiting = 0;
    int queued = 0;
    if (!unplugged_.load() && (::ioctl(fd_, FIONREAD, &waiting) != 0 || ::ioctl(fd_, TIOCOUTQ, &queued) != 0)) {
        if (!IsRemovalError(errno))
            return Fail(CauseOfError(errno));
        MarkUnplugged();
    }
    if (unplugged_.load() && buffered == 0)
        return Fail(SerialCause::Unplugged);
    errors = TakeLineErrors();
    status.InQue = static_cast<std::uint32_t>(buffered + static_cast<std::size_t>(std::max(waiting, 0)));
    status.OutQue = static_cast<std::uint32_t>(std::max(queued, 0));
    return true;
}

// The line errors counted since the last query.
std::uint32_t TPosixSerialDevice::TakeLineErrors()
{
    const std::optional<TLineSnapshot> now = Snapshot();
    if (!now || !support_.Counters)
        return 0;
    std::lock_guard lock(errorLock_);
    const std::uint32_t errors = LineErrors(errorBase_, *now);
    errorBase_ = *now;
    return errors;
}

// Bytes already taken from the driver come first; only when they are all gone is the driver read directly.
// Bytes taken before a removal are still handed out.
bool TPosixSerialDevice::ReadFile(void* buffer, std::uint32_t length, std::uint32_t& read)
{
    read = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    bool wasFull = false;
    bool gone = false;
    int error = 0;
    {
        std::lock_guard lock(rxLock_);
        wasFull = rx_.size() >= rxCapacity_;
        read = static_cast<std::uint32_t>(TakeBuffered(bytes, length));
        if (read < length && !unplugged_.load()) {
            const ssize_t n = ::read(fd_, bytes + read, length - read);
            if (n > 0)
                read += static_cast<std::uint32_t>(n);
            error = n < 0 ? errno : 0;
            gone = n == 0 || (n < 0 && IsRemovalError(error));
        }
    }
    if (wasFull && read > 0)
        wake_.Signal();
    if (gone)
        MarkUnplugged();
    if (read > 0)
        return true;
    if (unplugged_.load())
        return Fail(SerialCause::Unplugged);
    return error == 0 || error == EAGAIN || error == EINTR ? true : FailError(error);
}

std::size_t TPosixSerialDevice::TakeBuffered(unsigned char* buffer, std::size_t length)
{
    const std::size_t n = std::min(length, rx_.size());
    std::copy_n(rx_.begin(), n, buffer);
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

bool TPosixSerialDevice::WriteFile(const void* buffer, std::uint32_t length, std::uint32_t& written)
{
    written = 0;
    if (Stopped())
        return FailStopped();
    std::lock_guard lock(writeLock_);
    const bool ok = WriteAll(static_cast<const unsigned char*>(buffer), length, written);
    if (written > 0) {
        txPending_.store(true);
        wake_.Signal();
    }
    return ok;
}

bool TPosixSerialDevice::WriteAll(const unsigned char* bytes, std::uint32_t length, std::uint32_t& written)
{
    const std::uint64_t abortGeneration = txAbortGeneration_.load();
    while (written < length) {
        // A purge between two pieces of a short write aborts the rest: those bytes are older than the purge.
        if (txAbortGeneration_.load() != abortGeneration)
            return Fail(SerialCause::Cancelled);
        const ssize_t n = ::write(fd_, bytes + written, length - written);
        if (n > 0)
            written += static_cast<std::uint32_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return FailError(errno);
        else if (!WaitWritable(abortGeneration))
            return false;
    }
    return true;
}

// Waits while the driver is full, until it takes bytes again, the device goes, CancelIo or a purge.
bool TPosixSerialDevice::WaitWritable(std::uint64_t abortGeneration)
{
    for (;;) {
        const TPollResult woke = PollDevice(fd_, POLLOUT, cancel_.Fd(), txAbort_.Fd(), -1);
        if (woke.Cancelled)
            return FailStopped();
        if (woke.Gone)
            return FailUnplugged();
        if (woke.Woken)
            txAbort_.Drain();
        if (txAbortGeneration_.load() != abortGeneration)
            return Fail(SerialCause::Cancelled);
        if (woke.Output)
            return true;
    }
}

bool TPosixSerialDevice::PurgeComm(std::uint32_t flags)
{
    if (unplugged_.load())
        return Fail(SerialCause::Unplugged);
    if (flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR))
        return Fail(SerialCause::InvalidParameter);
    if (flags & PURGE_TXABORT) {
        txAbortGeneration_.fetch_add(1);
        txAbort_.Signal();
    }
    if ((flags & PURGE_TXCLEAR) && ::tcflush(fd_, TCOFLUSH) != 0)
        return FailError(errno);
    if (flags & PURGE_RXCLEAR) {
        // The driver's queue is flushed together with the bytes taken from it, under the lock every read of
        // the device takes: the waiter cannot take old bytes in between, nor find the buffer full of them.
        int error = 0;
        {
            std::lock_guard lock(rxLock_);
            error = ::tcflush(fd_, TCIFLUSH) != 0 ? errno : 0;
            rx_.clear();
        }
        wake_.Signal();
        if (error != 0)
            return FailError(error);
    }
    return true;
}

bool TPosixSerialDevice::EscapeCommFunction(std::uint32_t function)
{
    if (unplugged_.load())
        return Fail(SerialCause::Unplugged);
    switch (function) {
    case SETRTS: return ModemControl(TIOCMBIS, TIOCM_RTS);
    case CLRRTS: return ModemControl(TIOCMBIC, TIOCM_RTS);
    case SETDTR: return ModemControl(TIOCMBIS, TIOCM_DTR);
    case CLRDTR: return ModemControl(TIOCMBIC, TIOCM_DTR);
    case SETBREAK: return ::ioctl(fd_, TIOCSBRK) == 0 || FailError(errno);
    case CLRBREAK: return ::ioctl(fd_, TIOCCBRK) == 0 || FailError(errno);
    }
    return Fail(SerialCause::InvalidParameter);
}

bool TPosixSerialDevice::ModemControl(unsigned long request, int bits)
{
    return ::ioctl(fd_, request, &bits) == 0 || FailError(errno);
}

bool TPosixSerialDevice::GetCommModemStatus(std::uint32_t& status)
{
    status = 0;
    if (unplugged_.load())
        return Fail(SerialCause::Unplugged);
    int bits = 0;
    if (::ioctl(fd_, TIOCMGET, &bits) != 0)
        return FailError(errno);
    status = ModemStatus(bits);
    return true;
}

void TPosixSerialDevice::CancelIo()
{
    cancelled_.store(true);
    cancel_.Signal();
}

// Only what the device supports is asked; a pseudo-terminal supports neither, and gives nothing.
// A failed query gives nothing too, so that a device going away is not taken for line changes.
std::optional<TLineSnapshot> TPosixSerialDevice::Snapshot() const
{
    if (!support_.ModemLines && !support_.Counters)
        return std::nullopt;
    TLineSnapshot snapshot;
    if (support_.ModemLines && ::ioctl(fd_, TIOCMGET, &snapshot.ModemBits) != 0)
        return std::nullopt;
    serial_icounter_struct counts{};
    if (support_.Counters && ::ioctl(fd_, TIOCGICOUNT, &counts) != 0)
        return std::nullopt;
    snapshot.Rings = static_cast<std::uint32_t>(counts.rng);
    snapshot.Breaks = static_cast<std::uint32_t>(counts.brk);
    snapshot.Frames = static_cast<std::uint32_t>(counts.frame);
    snapshot.Overruns = static_cast<std::uint32_t>(counts.overrun);
    snapshot.Parities = static_cast<std::uint32_t>(counts.parity);
    snapshot.BufferOverruns = static_cast<std::uint32_t>(counts.buf_overrun);
    return snapshot;
}

// "\\.\COM<n>" or "COM<n>" is looked up in the port map; a path is taken as it is.
std::optional<std::string> DevicePath(const std::string& name)
{
    if (name.starts_with('/'))
        return name;
    std::string_view rest(name);
    if (rest.starts_with("\\\\.\\"))
        rest.remove_prefix(4);
    if (!rest.starts_with("COM"))
        return std::nullopt;
    rest.remove_prefix(3);
    int number = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
    if (error != std::errc() || end != rest.data() + rest.size() || number < 1)
        return std::nullopt;
    return ResolveComPort(number);
}

TLineSupport ProbeLineSupport(int fd)
{
    int bits = 0;
    serial_icounter_struct counts{};
    return {::ioctl(fd, TIOCMGET, &bits) == 0, ::ioctl(fd, TIOCGICOUNT, &counts) == 0};
}

// Exclusive through flock() first: root ignores TIOCEXCL, and flock() also holds against other processes.
SerialCause LockExclusive(int fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? SerialCause::InUse : SerialCause::IoFailure;
    ::ioctl(fd, TIOCEXCL);
    return SerialCause::None;
}

std::optional<TDcb> MakeRaw(int fd)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return std::nullopt;
    const termios raw = RawTermios(tio);
    if (::tcsetattr(fd, TCSANOW, &raw) != 0)
        return std::nullopt;
    return DcbFromTermios(raw, TDcb{});
}

std::unique_ptr<ISerialDevice> FailOpen(int fd, SerialCause given, SerialCause& cause)
{
    if (fd >= 0)
        ::close(fd);
    cause = given;
    Fail(given);
    return nullptr;
}

} // namespace

std::unique_ptr<ISerialDevice> OpenOsSerialDevice(const std::string& name, SerialCause& cause)
{
    const std::optional<std::string> path = DevicePath(name);
    if (!path)
        return FailOpen(-1, SerialCause::NoSuchPort, cause);
    const int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FailOpen(fd, CauseOfOpenError(errno), cause);
    if (!::isatty(fd))
        return FailOpen(fd, SerialCause::NoSuchPort, cause);
    if (const SerialCause locked = LockExclusive(fd); locked != SerialCause::None)
        return FailOpen(fd, locked, cause);
    const std::optional<TDcb> dcb = MakeRaw(fd);
    if (!dcb)
        return FailOpen(fd, CauseOfOpenError(errno), cause);
    auto device = std::make_unique<TPosixSerialDevice>(fd, *dcb, ProbeLineSupport(fd));
    if (!device->Ready())
        return FailOpen(-1, SerialCause::IoFailure, cause); // the device closes its descriptor itself
    cause = SerialCause::None;
    return device;
}

} // namespace platform
