// A serial line simulated in memory, for what pseudo-terminals cannot show: modem lines, hardware flow control,
// line errors, a device that stops taking bytes or vanishes. The test holds the line (TFakeLine); the port
// opens TFakeSerialDevice objects on it through the opener that TFakeOpener installs.
#pragma once

#include "classlib/base/lasterror.h"
#include "platform/serialdevice.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct TFakeLine {
    std::mutex lock;
    std::condition_variable changed;

    // What the port did to the device.
    std::vector<std::string> opened;
    std::vector<platform::TDcb> states; // every SetCommState
    std::vector<std::uint32_t> escapes; // every EscapeCommFunction
    std::vector<std::uint32_t> purges;
    std::vector<std::uint32_t> masks; // every SetCommMask
    std::uint32_t inQueue = 0, outQueue = 0;
    platform::TDcb dcb;
    std::uint32_t mask = 0;
    bool maskChanged = false;
    bool cancelled = false;
    int devices = 0; // devices open now

    // The far side of the line.
    std::deque<char> input;  // bytes waiting in the driver
    std::vector<char> output; // bytes the port wrote
    std::uint32_t modemStatus = 0;
    std::uint32_t pendingEvents = 0;
    std::uint32_t lineErrors = 0;
    bool acceptsWrites = true;
    bool unplugged = false;
    bool refuseEscapes = false;
    // With abortsWrites a transmit-abort purge makes the pending write fail; it reports that only once the line
    // takes bytes again, so a test decides when the writer sees it.
    bool abortsWrites = false;
    std::uint64_t txAborts = 0;
    // Modem-status queries wait while this is set, as a slow adapter's do.
    bool holdModemStatus = false;
    // A read takes its bytes from the driver and then waits while this is set, as a slow copy does.
    bool holdReads = false;
    // A read waits while this is set before it takes any byte, as a reader the scheduler put aside does.
    bool holdReadStarts = false;
    // A transmit-abort purge ends the pending write at once and returns only once the writer has called
    // again (or after a while): a writer that retries at once does so before the purge's caller goes on.
    bool purgeAwaitsRetry = false;
    // Bytes that arrive just after a receive purge, with no line event (one that came earlier was consumed).
    std::string arrivingAfterPurge;

    // How often each worker call was made (spin detection, and to tell where a worker is).
    std::atomic<int> waitCalls{0}, clearCalls{0}, readCalls{0}, writeCalls{0}, modemCalls{0};

    // Bytes arrive from the far side; raises the character-received event.
    void Receive(const std::string& bytes)
    {
        std::lock_guard guard(lock);
        input.insert(input.end(), bytes.begin(), bytes.end());
        pendingEvents |= platform::EV_RXCHAR;
        changed.notify_all();
    }
    // Line events (and the modem status that goes with them).
    void Raise(std::uint32_t events, std::uint32_t status)
    {
        std::lock_guard guard(lock);
        modemStatus = status;
        pendingEvents |= events;
        changed.notify_all();
    }
    void RaiseLineError(std::uint32_t errors)
    {
        std::lock_guard guard(lock);
        lineErrors |= errors;
        pendingEvents |= platform::EV_ERR;
        changed.notify_all();
    }
    void SetAcceptsWrites(bool accepts)
    {
        std::lock_guard guard(lock);
        acceptsWrites = accepts;
        changed.notify_all();
    }
    template <class T>
    void Set(T TFakeLine::*field, T value)
    {
        std::lock_guard guard(lock);
        this->*field = value;
        changed.notify_all();
    }
    void Unplug()
    {
        std::lock_guard guard(lock);
        unplugged = true;
        changed.notify_all();
    }
    std::string Output()
    {
        std::lock_guard guard(lock);
        return std::string(output.begin(), output.end());
    }
    template <class T>
    T Get(T TFakeLine::*field)
    {
        std::lock_guard guard(lock);
        return this->*field;
    }
};

class TFakeSerialDevice : public platform::ISerialDevice {
public:
    explicit TFakeSerialDevice(std::shared_ptr<TFakeLine> line) : line_(std::move(line))
    {
        std::lock_guard guard(line_->lock);
        line_->devices++;
        line_->cancelled = false;
        line_->maskChanged = false;
    }
    ~TFakeSerialDevice() override
    {
        std::lock_guard guard(line_->lock);
        line_->devices--;
    }

    bool SetupComm(std::uint32_t in, std::uint32_t out) override
    {
        std::lock_guard guard(line_->lock);
        line_->inQueue = in;
        line_->outQueue = out;
        return Succeed();
    }
    bool SetCommTimeouts(const platform::TCommTimeouts&) override { return Succeed(); }
    bool GetCommState(platform::TDcb& dcb) override
    {
        std::lock_guard guard(line_->lock);
        dcb = line_->dcb;
        return Succeed();
    }
    bool SetCommState(const platform::TDcb& dcb) override
    {
        std::lock_guard guard(line_->lock);
        line_->dcb = dcb;
        line_->states.push_back(dcb);
        // A driver rejects speeds it cannot make.
        if (dcb.BaudRate == 256000)
            return Fail(platform::SerialCause::InvalidParameter);
        return Succeed();
    }
    bool SetCommMask(std::uint32_t mask) override
    {
        std::lock_guard guard(line_->lock);
        line_->mask = mask;
        line_->masks.push_back(mask);
        line_->maskChanged = true;
        line_->changed.notify_all();
        return Succeed();
    }
    bool WaitCommEvent(std::uint32_t& events) override
    {
        line_->waitCalls++;
        std::unique_lock guard(line_->lock);
        line_->changed.wait(guard, [&] {
            return line_->cancelled || line_->maskChanged ||
                   (!line_->unplugged && (line_->pendingEvents & line_->mask) != 0);
        });
        if (line_->cancelled)
            return Fail(platform::SerialCause::Cancelled);
        events = line_->maskChanged ? 0 : (line_->pendingEvents & line_->mask);
        line_->maskChanged = false;
        line_->pendingEvents &= ~events;
        return Succeed();
    }
    bool ClearCommError(std::uint32_t& errors, platform::TComStat& status) override
    {
        line_->clearCalls++;
        std::lock_guard guard(line_->lock);
        if (line_->unplugged)
            return Fail(platform::SerialCause::Unplugged);
        errors = std::exchange(line_->lineErrors, 0);
        status.InQue = static_cast<std::uint32_t>(line_->input.size());
        status.OutQue = 0;
        return Succeed();
    }
    bool ReadFile(void* buffer, std::uint32_t length, std::uint32_t& read) override
    {
        line_->readCalls++;
        std::unique_lock guard(line_->lock);
        line_->changed.wait(guard, [&] { return !line_->holdReadStarts || line_->cancelled; });
        if (line_->unplugged)
            return Fail(platform::SerialCause::Unplugged);
        read = static_cast<std::uint32_t>(std::min<std::size_t>(length, line_->input.size()));
        std::copy_n(line_->input.begin(), read, static_cast<char*>(buffer));
        line_->input.erase(line_->input.begin(), line_->input.begin() + read);
        line_->changed.wait(guard, [&] { return !line_->holdReads || line_->cancelled; });
        return Succeed();
    }
    bool WriteFile(const void* buffer, std::uint32_t length, std::uint32_t& written) override
    {
        line_->writeCalls++;
        std::unique_lock guard(line_->lock);
        const std::uint64_t aborts = line_->txAborts;
        line_->changed.wait(guard, [&] {
            return line_->cancelled || line_->unplugged || line_->acceptsWrites ||
                   (line_->purgeAwaitsRetry && line_->txAborts != aborts);
        });
        if (line_->cancelled || line_->txAborts != aborts)
            return Fail(platform::SerialCause::Cancelled);
        if (line_->unplugged)
            return Fail(platform::SerialCause::Unplugged);
        const auto* bytes = static_cast<const char*>(buffer);
        line_->output.insert(line_->output.end(), bytes, bytes + length);
        written = length;
        line_->changed.notify_all();
        return Succeed();
    }
    bool PurgeComm(std::uint32_t flags) override
    {
        std::unique_lock guard(line_->lock);
        line_->purges.push_back(flags);
        if ((flags & platform::PURGE_TXABORT) && line_->abortsWrites)
            line_->txAborts++;
        if ((flags & platform::PURGE_TXABORT) && line_->purgeAwaitsRetry) {
            const int writes = line_->writeCalls.load();
            line_->changed.notify_all();
            line_->changed.wait_for(guard, std::chrono::milliseconds(300),
                                    [&] { return line_->writeCalls.load() > writes; });
        }
        if (flags & platform::PURGE_RXCLEAR) {
            line_->input.assign(line_->arrivingAfterPurge.begin(), line_->arrivingAfterPurge.end());
            line_->arrivingAfterPurge.clear();
        }
        return Succeed();
    }
    bool EscapeCommFunction(std::uint32_t function) override
    {
        std::lock_guard guard(line_->lock);
        line_->escapes.push_back(function);
        return line_->refuseEscapes ? Fail(platform::SerialCause::NotSupported) : Succeed();
    }
    bool GetCommModemStatus(std::uint32_t& status) override
    {
        line_->modemCalls++;
        std::unique_lock guard(line_->lock);
        line_->changed.wait(guard, [&] { return !line_->holdModemStatus; });
        status = line_->modemStatus;
        return Succeed();
    }
    void CancelIo() override
    {
        std::lock_guard guard(line_->lock);
        line_->cancelled = true;
        line_->changed.notify_all();
    }
    platform::SerialCause LastCause() const override { return cause_; }

private:
    bool Succeed() { return true; }
    bool Fail(platform::SerialCause cause)
    {
        cause_ = cause;
        SetLastError(platform::SerialCauseCode(cause));
        return false;
    }

    std::shared_ptr<TFakeLine> line_;
    thread_local static inline platform::SerialCause cause_ = platform::SerialCause::None;
};

// Routes the port's opens to fake lines while it exists: "\\.\COM<n>" opens when n is the number of one of
// the lines and no device is open on that line.
class TFakeOpener {
public:
    explicit TFakeOpener(int number = 7) : TFakeOpener(std::vector<int>{number}) {}
    explicit TFakeOpener(const std::vector<int>& numbers)
    {
        for (int number : numbers)
            lines_.emplace_back(number, std::make_shared<TFakeLine>());
        line = lines_.front().second;
        platform::SetSerialOpener([lines = lines_](const std::string& name, platform::SerialCause& cause)
                                      -> std::unique_ptr<platform::ISerialDevice> {
            for (const auto& [number, line] : lines) {
                {
                    std::lock_guard guard(line->lock);
                    line->opened.push_back(name);
                }
                if (name == "\\\\.\\COM" + std::to_string(number))
                    return Open(line, cause);
            }
            return Refuse(platform::SerialCause::NoSuchPort, cause);
        });
    }
    ~TFakeOpener() { platform::SetSerialOpener({}); }

    std::shared_ptr<TFakeLine> Line(int number) const
    {
        for (const auto& [n, line] : lines_)
            if (n == number)
                return line;
        return nullptr;
    }

    std::shared_ptr<TFakeLine> line; // the first number's

private:
    static std::unique_ptr<platform::ISerialDevice> Refuse(platform::SerialCause why, platform::SerialCause& cause)
    {
        cause = why;
        SetLastError(platform::SerialCauseCode(cause));
        return nullptr;
    }
    static std::unique_ptr<platform::ISerialDevice> Open(const std::shared_ptr<TFakeLine>& line,
                                                         platform::SerialCause& cause)
    {
        if (line->Get(&TFakeLine::devices) > 0) // opened exclusively, as a real port
            return Refuse(platform::SerialCause::InUse, cause);
        cause = platform::SerialCause::None;
        return std::make_unique<TFakeSerialDevice>(line);
    }

    std::vector<std::pair<int, std::shared_ptr<TFakeLine>>> lines_;
};
