// The POSIX serial device through real pseudo-terminals: the test holds the master side.
#include "platform/portmap.h"
#include "platform/serialdevice.h"
#include "platform/serialdevice_os.h"

#include "classlib/base/lasterror.h"
#include "support/ptypair.h"

#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace platform;
using namespace std::chrono_literals;

namespace {

// Long enough for a wait that returns at once again and again to be seen many times over.
constexpr auto kQuietPeriod = 300ms;
constexpr auto kLimit = 5s;

std::unique_ptr<ISerialDevice> OpenPty(const PtyPair& pty)
{
    SerialCause cause = SerialCause::None;
    auto device = OpenSerialDevice(pty.SlavePath(), cause);
    EXPECT_TRUE(device) << SerialCauseText(cause);
    return device;
}

std::string Text(const std::vector<unsigned char>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

std::string ReadAll(ISerialDevice& device, std::uint32_t length)
{
    std::string got(length, '\0');
    std::uint32_t read = 0;
    EXPECT_TRUE(device.ReadFile(got.data(), length, read));
    got.resize(read);
    return got;
}

// Waits (bounded) until the thread sleeps in poll(): only then is its wait or write really pending.
// Timing alone cannot tell, on a loaded machine a thread may start late.
bool AsleepInPoll(const std::atomic<pid_t>& tid)
{
    const auto end = std::chrono::steady_clock::now() + kLimit;
    for (; std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(2ms)) {
        if (tid.load() == 0)
            continue;
        std::ifstream file("/proc/self/task/" + std::to_string(tid.load()) + "/syscall");
        long number = -1;
        if (file >> number && (number == SYS_poll || number == SYS_ppoll))
            return true;
    }
    return false;
}

// Runs WaitCommEvent again and again on its own thread and records every return.
class TWaitRecorder {
public:
    explicit TWaitRecorder(ISerialDevice& device) : device_(device), thread_([this] { Run(); }) {}
    ~TWaitRecorder() { Stop(); }

    void Stop()
    {
        if (!thread_.joinable())
            return;
        stop_.store(true);
        device_.CancelIo();
        thread_.join();
    }

    struct TReturn {
        bool Ok;
        std::uint32_t Events;
        SerialCause Cause;
    };

    std::vector<TReturn> Returns() const
    {
        std::lock_guard lock(lock_);
        return returns_;
    }

    // Waits (bounded) until count returns were recorded; false if they did not come.
    bool AsleepInWait() const { return AsleepInPoll(tid_); }

    bool AwaitReturns(std::size_t count) const
    {
        const auto end = std::chrono::steady_clock::now() + kLimit;
        while (Returns().size() < count && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(5ms);
        return Returns().size() >= count;
    }

private:
    void Run()
    {
        tid_.store(gettid());
        while (!stop_.load()) {
            std::uint32_t events = 0;
            const bool ok = device_.WaitCommEvent(events);
            const SerialCause cause = ok ? SerialCause::None : device_.LastCause();
            if (stop_.load())
                break;
            std::lock_guard lock(lock_);
            returns_.push_back({ok, events, cause});
        }
    }

    ISerialDevice& device_;
    std::atomic<bool> stop_{false};
    std::atomic<pid_t> tid_{0};
    mutable std::mutex lock_;
    std::vector<TReturn> returns_;
    std::thread thread_;
};

// A write far larger than a pseudo-terminal holds, so it blocks while the master does not read.
const std::string kLargeBlock(1 << 20, 'x');

// A write of more than the pseudo-terminal takes, on a thread of its own, so that it blocks in the device.
class TBlockedWrite {
public:
    struct TOutcome {
        bool ok;
        std::uint32_t written;
        SerialCause cause;
    };

    explicit TBlockedWrite(ISerialDevice& device)
        : result_(std::async(std::launch::async, [this, &device] {
              writer_.store(gettid());
              std::uint32_t written = 0;
              const bool ok =
                  device.WriteFile(kLargeBlock.data(), static_cast<std::uint32_t>(kLargeBlock.size()), written);
              return TOutcome{ok, written, device.LastCause()};
          }))
    {
    }

    // The writer sleeps in poll() and the write does not end over a quiet period.
    bool Blocked() { return AsleepInPoll(writer_) && result_.wait_for(kQuietPeriod) == std::future_status::timeout; }
    bool Ends() { return result_.wait_for(kLimit) == std::future_status::ready; }
    TOutcome Outcome() { return result_.get(); }

private:
    std::atomic<pid_t> writer_{0};
    std::future<TOutcome> result_;
};

} // namespace

TEST(SerialDevice, ConfiguresWritesAndReadsThroughAPseudoTerminal)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    TDcb dcb;
    dcb.BaudRate = 57600;
    dcb.EvtChar = '\r';
    ASSERT_TRUE(device->SetCommState(dcb));
    TDcb back;
    ASSERT_TRUE(device->GetCommState(back));
    EXPECT_EQ(back, dcb);
    ASSERT_TRUE(device->SetupComm(4096, 8192));
    ASSERT_TRUE(device->SetCommTimeouts(TCommTimeouts{}));

    std::uint32_t written = 0;
    ASSERT_TRUE(device->WriteFile("\xA5\x96\x00\xD5\x00\x6B", 6, written));
    EXPECT_EQ(written, 6u);
    EXPECT_EQ(pty.Read(6), (std::vector<unsigned char>{0xA5, 0x96, 0x00, 0xD5, 0x00, 0x6B}));

    ASSERT_TRUE(device->SetCommMask(EV_RXCHAR));
    pty.Write("reply", 5);
    std::uint32_t events = 0;
    ASSERT_TRUE(device->WaitCommEvent(events));
    EXPECT_EQ(events, EV_RXCHAR);
    std::uint32_t errors = 0;
    TComStat status;
    ASSERT_TRUE(device->ClearCommError(errors, status));
    EXPECT_EQ(status.InQue, 5u);
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(ReadAll(*device, 16), "reply");
    EXPECT_EQ(ReadAll(*device, 16), ""); // nothing waiting: returns at once with nothing
}

TEST(SerialDevice, OpensThroughACOMLinkAndRefusesMissingPorts)
{
    PtyPair pty;
    ASSERT_TRUE(RegisterComLink(42, pty.SlavePath()));
    SerialCause cause = SerialCause::None;
    auto device = OpenSerialDevice("\\\\.\\COM42", cause);
    ASSERT_TRUE(device) << SerialCauseText(cause);
    std::uint32_t written = 0;
    ASSERT_TRUE(device->WriteFile("ok", 2, written));
    EXPECT_EQ(Text(pty.Read(2)), "ok");
    device.reset();
    UnregisterComLink(42);

    for (const char* name : {"\\\\.\\COM42", "\\\\.\\COM0", "\\\\.\\COMX", "LPT1", "/dev/no-such-tty", "/tmp"}) {
        SetLastError(0);
        cause = SerialCause::None;
        EXPECT_FALSE(OpenSerialDevice(name, cause)) << name;
        EXPECT_EQ(cause, SerialCause::NoSuchPort) << name;
        EXPECT_EQ(GetLastError(), SerialCauseCode(SerialCause::NoSuchPort)) << name;
    }
    cause = SerialCause::None;
    EXPECT_FALSE(OpenSerialDevice("/dev/null", cause)); // not a terminal
    EXPECT_EQ(cause, SerialCause::NoSuchPort);
}

TEST(SerialDevice, IsExclusiveAlsoAgainstOtherProcessesOfRoot)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    SerialCause cause = SerialCause::None;
    EXPECT_FALSE(OpenSerialDevice(pty.SlavePath(), cause));
    EXPECT_EQ(cause, SerialCause::InUse);
    EXPECT_EQ(GetLastError(), SerialCauseCode(SerialCause::InUse));
    EXPECT_STREQ(SerialCauseText(cause), "in use");

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SerialCause childCause = SerialCause::None;
        const bool opened = OpenOsSerialDevice(pty.SlavePath(), childCause) != nullptr;
        _exit(opened ? 100 : static_cast<int>(childCause));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(SerialCause::InUse));

    device.reset();
    EXPECT_TRUE(OpenSerialDevice(pty.SlavePath(), cause)) << "closing releases the port";
}

TEST(SerialDevice, RefusesSettingsTheLineCannotTake)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    TDcb dcb;
    ASSERT_TRUE(device->SetCommState(dcb));
    dcb.BaudRate = 14400;
    EXPECT_FALSE(device->SetCommState(dcb));
    EXPECT_EQ(device->LastCause(), SerialCause::InvalidParameter);
    EXPECT_EQ(GetLastError(), 87);
    dcb.BaudRate = 9600;
    dcb.StopBits = ONE5STOPBITS;
    EXPECT_FALSE(device->SetCommState(dcb));
    TDcb now;
    ASSERT_TRUE(device->GetCommState(now));
    EXPECT_EQ(now.BaudRate, 9600u);
    EXPECT_EQ(now.StopBits, ONESTOPBIT);
}

TEST(SerialDevice, ModemLinesOfAPseudoTerminalAreNotSupported)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    EXPECT_FALSE(device->EscapeCommFunction(SETDTR));
    EXPECT_EQ(device->LastCause(), SerialCause::NotSupported);
    std::uint32_t status = 0;
    EXPECT_FALSE(device->GetCommModemStatus(status));
    EXPECT_EQ(device->LastCause(), SerialCause::NotSupported);
    EXPECT_TRUE(device->EscapeCommFunction(SETBREAK));
    EXPECT_TRUE(device->EscapeCommFunction(CLRBREAK));
    EXPECT_FALSE(device->EscapeCommFunction(77));
    EXPECT_EQ(device->LastCause(), SerialCause::InvalidParameter);
}

TEST(SerialDevice, NewMaskEndsAPendingWaitWithNoEvents)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    device->SetCommMask(EV_RXCHAR);
    std::atomic<pid_t> waiter{0};
    auto wait = std::async(std::launch::async, [&] {
        waiter.store(gettid());
        std::uint32_t events = 0xFFFF;
        const bool ok = device->WaitCommEvent(events);
        return std::make_pair(ok, events);
    });
    ASSERT_TRUE(AsleepInPoll(waiter));
    EXPECT_EQ(wait.wait_for(kQuietPeriod), std::future_status::timeout);
    device->SetCommMask(EV_RXCHAR | EV_TXEMPTY); // a non-empty mask ends it too
    ASSERT_EQ(wait.wait_for(kLimit), std::future_status::ready);
    EXPECT_EQ(wait.get(), std::make_pair(true, std::uint32_t{0}));
}

TEST(SerialDevice, MaskEmptiedBeforeTheWaitEndsThatWaitOnce)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    device->SetCommMask(EV_RXCHAR);
    device->SetCommMask(0);
    std::uint32_t events = 0xFFFF;
    EXPECT_TRUE(device->WaitCommEvent(events)); // the stop request made before the wait is not lost
    EXPECT_EQ(events, 0u);

    TWaitRecorder recorder(*device);
    std::this_thread::sleep_for(kQuietPeriod);
    EXPECT_TRUE(recorder.Returns().empty()) << "an empty mask must not make waits return again and again";
    recorder.Stop();
    EXPECT_FALSE(device->WaitCommEvent(events)); // after CancelIo waits fail at once
    EXPECT_EQ(device->LastCause(), SerialCause::Cancelled);
}

TEST(SerialDevice, CharacterReceivedIsReportedOncePerArrival)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    device->SetCommMask(EV_RXCHAR | EV_TXEMPTY);
    pty.Write("abc", 3); // arrives before any wait: the first wait reports it
    TWaitRecorder recorder(*device);
    ASSERT_TRUE(recorder.AwaitReturns(1));
    std::this_thread::sleep_for(kQuietPeriod); // the bytes stay unread meanwhile
    ASSERT_EQ(recorder.Returns().size(), 1u);
    EXPECT_EQ(recorder.Returns()[0].Events, EV_RXCHAR);

    pty.Write("de", 2);
    ASSERT_TRUE(recorder.AwaitReturns(2));
    EXPECT_EQ(ReadAll(*device, 3), "abc");
    std::this_thread::sleep_for(kQuietPeriod);
    EXPECT_EQ(recorder.Returns().size(), 2u);

    pty.Write("f", 1);
    ASSERT_TRUE(recorder.AwaitReturns(3));
    EXPECT_EQ(ReadAll(*device, 16), "def");
    std::this_thread::sleep_for(kQuietPeriod);
    const auto returns = recorder.Returns();
    ASSERT_EQ(returns.size(), 3u);
    for (const auto& r : returns)
        EXPECT_TRUE(r.Ok && r.Events == EV_RXCHAR);
}

TEST(SerialDevice, EventCharacterAndTransmitEmpty)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    TDcb dcb;
    dcb.EvtChar = '\n';
    ASSERT_TRUE(device->SetCommState(dcb));
    device->SetCommMask(EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY);
    TWaitRecorder recorder(*device);
    pty.Write("ab", 2);
    ASSERT_TRUE(recorder.AwaitReturns(1));
    pty.Write("c\n", 2);
    ASSERT_TRUE(recorder.AwaitReturns(2));
    std::uint32_t written = 0;
    ASSERT_TRUE(device->WriteFile("out", 3, written));
    ASSERT_TRUE(recorder.AwaitReturns(3));
    std::this_thread::sleep_for(kQuietPeriod);
    const auto returns = recorder.Returns();
    ASSERT_EQ(returns.size(), 3u);
    EXPECT_EQ(returns[0].Events, EV_RXCHAR);
    EXPECT_EQ(returns[1].Events, EV_RXCHAR | EV_RXFLAG);
    EXPECT_EQ(returns[2].Events, EV_TXEMPTY);
}

TEST(SerialDevice, FullInputQueueDoesNotMakeWaitsSpin)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    ASSERT_TRUE(device->SetupComm(4, 4));
    device->SetCommMask(EV_RXCHAR);
    TWaitRecorder recorder(*device);
    pty.Write("0123456789", 10);
    ASSERT_TRUE(recorder.AwaitReturns(1));
    std::this_thread::sleep_for(kQuietPeriod);
    EXPECT_EQ(recorder.Returns().size(), 1u);
    std::uint32_t errors = 0;
    TComStat status;
    ASSERT_TRUE(device->ClearCommError(errors, status));
    EXPECT_EQ(status.InQue, 10u);
    EXPECT_EQ(ReadAll(*device, 2), "01");
    ASSERT_TRUE(recorder.AwaitReturns(2)); // room again: the waiting bytes are taken in and reported
    EXPECT_EQ(ReadAll(*device, 10), "23456789");
}

TEST(SerialDevice, PurgeEmptiesTheInputAndAbortsAPendingWrite)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    device->SetCommMask(EV_RXCHAR);
    pty.Write("stale", 5);
    std::uint32_t events = 0;
    ASSERT_TRUE(device->WaitCommEvent(events));
    ASSERT_TRUE(device->PurgeComm(PURGE_RXABORT | PURGE_RXCLEAR));
    EXPECT_EQ(ReadAll(*device, 16), "");

    TBlockedWrite write(*device);
    ASSERT_TRUE(write.Blocked());
    ASSERT_TRUE(device->PurgeComm(PURGE_TXABORT | PURGE_TXCLEAR));
    ASSERT_TRUE(write.Ends());
    const auto aborted = write.Outcome();
    EXPECT_FALSE(aborted.ok);
    EXPECT_EQ(aborted.cause, SerialCause::Cancelled);

    std::uint32_t written = 0;
    EXPECT_TRUE(device->WriteFile("after", 5, written)) << "a purge aborts only the pending write";
}

TEST(SerialDevice, CancelEndsABlockedWriteAndLaterWaitsAndWrites)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    TBlockedWrite write(*device);
    ASSERT_TRUE(write.Blocked());
    device->CancelIo();
    ASSERT_TRUE(write.Ends());
    const auto [ok, written, cause] = write.Outcome();
    EXPECT_FALSE(ok);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, kLargeBlock.size());
    EXPECT_EQ(cause, SerialCause::Cancelled);

    std::uint32_t more = 0;
    EXPECT_FALSE(device->WriteFile("x", 1, more));
    EXPECT_EQ(device->LastCause(), SerialCause::Cancelled);
    std::uint32_t events = 0;
    device->SetCommMask(EV_RXCHAR);
    EXPECT_FALSE(device->WaitCommEvent(events));
    EXPECT_EQ(GetLastError(), 995);
    TDcb dcb;
    EXPECT_TRUE(device->GetCommState(dcb)) << "only waits and writes are cancelled";
}

TEST(SerialDevice, UnpluggedDuringAWaitFailsCallsAndBlocksWaitsUntilCancelled)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    device->SetCommMask(EV_RXCHAR | EV_TXEMPTY);
    TWaitRecorder recorder(*device);
    ASSERT_TRUE(recorder.AsleepInWait());
    pty.CloseMaster();
    std::this_thread::sleep_for(kQuietPeriod);
    EXPECT_TRUE(recorder.Returns().empty()) << "a removed device must not end waits again and again";

    TDcb dcb;
    std::uint32_t errors = 0, written = 0, read = 0, status = 0;
    TComStat comStat;
    char byte = 0;
    EXPECT_FALSE(device->GetCommState(dcb));
    EXPECT_EQ(device->LastCause(), SerialCause::Unplugged);
    EXPECT_EQ(GetLastError(), SerialCauseCode(SerialCause::Unplugged));
    EXPECT_FALSE(device->SetCommState(dcb));
    EXPECT_FALSE(device->ClearCommError(errors, comStat));
    EXPECT_FALSE(device->ReadFile(&byte, 1, read));
    EXPECT_FALSE(device->WriteFile("x", 1, written));
    EXPECT_FALSE(device->PurgeComm(PURGE_RXCLEAR));
    EXPECT_FALSE(device->EscapeCommFunction(SETBREAK));
    EXPECT_FALSE(device->GetCommModemStatus(status));
    EXPECT_EQ(device->LastCause(), SerialCause::Unplugged);

    device->SetCommMask(EV_RXCHAR);
    ASSERT_TRUE(recorder.AwaitReturns(1));
    std::this_thread::sleep_for(kQuietPeriod);
    const auto returns = recorder.Returns();
    ASSERT_EQ(returns.size(), 1u) << "after the mask change the next wait blocks again";
    EXPECT_FALSE(returns[0].Ok);
    EXPECT_EQ(returns[0].Cause, SerialCause::Unplugged);
    recorder.Stop(); // CancelIo ends the blocked wait
}

TEST(SerialDevice, UnpluggedDuringAWriteEndsIt)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    TBlockedWrite write(*device);
    ASSERT_TRUE(write.Blocked());
    pty.CloseMaster();
    ASSERT_TRUE(write.Ends());
    const auto unplugged = write.Outcome();
    EXPECT_FALSE(unplugged.ok);
    EXPECT_EQ(unplugged.cause, SerialCause::Unplugged);
}

TEST(SerialDevice, BytesTakenInBeforeTheRemovalAreStillHandedOut)
{
    PtyPair pty;
    auto device = OpenPty(pty);
    ASSERT_TRUE(device);
    device->SetCommMask(EV_RXCHAR);
    pty.Write("last", 4);
    std::uint32_t events = 0;
    ASSERT_TRUE(device->WaitCommEvent(events));
    pty.CloseMaster();
    std::uint32_t errors = 0;
    TComStat status;
    char byte = 0;
    std::uint32_t read = 0;
    // The removal is noticed by the first call that touches the device; the bytes taken in before stay readable.
    ASSERT_TRUE(device->ClearCommError(errors, status));
    EXPECT_EQ(status.InQue, 4u);
    EXPECT_EQ(ReadAll(*device, 16), "last");
    EXPECT_FALSE(device->ReadFile(&byte, 1, read));
    EXPECT_EQ(device->LastCause(), SerialCause::Unplugged);
    EXPECT_FALSE(device->ClearCommError(errors, status));
}
