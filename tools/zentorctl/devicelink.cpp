#include "tools/zentorctl/devicelink.h"

#include "classlib/base/synchronizequeue.h"
#include "comm/commport.h"
#include "device/frame.h"
#include "device/hextext.h"
#include "device/registers.h"

#include <string>

namespace zentorctl {

namespace {

const AnsiString kEraseModeRegister = "D5";
constexpr std::uint32_t kPurgeAll =
    platform::PURGE_TXABORT | platform::PURGE_RXABORT | platform::PURGE_TXCLEAR | platform::PURGE_RXCLEAR;

using TClock = std::chrono::steady_clock;

void ApplyLineSettings(TCommPort& port, int comNumber, int speed)
{
    port.SetComNumber(comNumber);
    port.SetBaud(speed);
    port.SetParity(paNone);
    port.SetDataBits(8);
    port.SetStopBits(sb1_0);
    port.SetComControl(ccNone);
    port.SetDTR(true);
    port.SetRTS(true);
}

// What the program does right after opening: whatever was left on the line from before is dropped.
void Purge(TCommPort& port)
{
    port.FlushOutBuffer();
    if (platform::ISerialDevice* device = port.DeviceHandle())
        device->PurgeComm(kPurgeAll);
    port.FlushInBuffer();
}

// Bytes the driver holds that the port has not read yet.
std::uint32_t DriverInput(TCommPort& port)
{
    std::uint32_t errors = 0;
    platform::TComStat status;
    platform::ISerialDevice* device = port.DeviceHandle();
    return device && device->ClearCommError(errors, status) ? status.InQue : 0;
}

// Bytes that came before the request; the first reply is counted from what comes after it.
class TReplyCollector {
public:
    explicit TReplyCollector(TCommPort& port) : port_(port)
    {
        port_.OnDataReceived = [this](TCommPort* sender, std::uint32_t count) { Take(*sender, count); };
    }
    ~TReplyCollector() { port_.OnDataReceived = nullptr; }
    TReplyCollector(const TReplyCollector&) = delete;
    TReplyCollector& operator=(const TReplyCollector&) = delete;

    // Runs the deliveries already queued and drops their bytes and whatever else the receive ring holds.
    void DropEarlierBytes()
    {
        TSynchronizeQueue::Instance().CheckSynchronize();
        port_.FlushInBuffer();
        reply_.clear();
    }

    const std::string& Reply() const { return reply_; }

private:
    void Take(TCommPort& sender, std::uint32_t count)
    {
        std::string bytes(count, '\0');
        bytes.resize(sender.GetBlock(bytes.data(), count));
        reply_ += bytes;
    }

    TCommPort& port_;
    std::string reply_;
};

} // namespace

AnsiString RequestFrame(const TCtlOptions& options)
{
    if (options.Command == TCommand::Write)
        return device::BuildWriteRequest(
            kEraseModeRegister,
            device::EraseModeValueText(options.Mode == TMode::Erase ? device::kEraseItem : device::kKeepItem));
    return device::BuildReadRequest(kEraseModeRegister);
}

TDeviceLink::TDeviceLink(TEventLoop& loop, int comNumber, int speed)
    : loop_(loop), comNumber_(comNumber), speed_(speed)
{
}

TExchangeResult TDeviceLink::Exchange(const AnsiString& frameText)
{
    device::TTransmitBuffer frame{};
    const std::size_t length = device::HexTextToBytes(frameText, frame);

    TCommPort port;
    ApplyLineSettings(port, comNumber_, speed_);
    TExchangeResult result;
    {
        TReplyCollector collector(port);
        port.SetOpen(true);
        if (!port.Open())
            return {.Outcome = TOutcome::OpenFailed, .Reply = {}, .Cause = port.OpenFailure()};
        Purge(port);
        collector.DropEarlierBytes();
        port.PutBlock(reinterpret_cast<const char*>(frame.data()), static_cast<std::uint32_t>(length));
        result = AwaitReply(port, collector.Reply());
    }
    port.SetOpen(false);
    return result;
}

// The first byte within the reply time, then whatever follows it within the settle time: a device answers
// one byte, so more than one is no answer to trust. Before either time is declared over, bytes that had
// already reached the driver or the receive ring by then are taken in too.
TExchangeResult TDeviceLink::AwaitReply(TCommPort& port, const std::string& reply)
{
    const auto hasReply = [&reply] { return !reply.empty(); };
    TEventLoop::TStop stop = loop_.RunUntil(hasReply, TClock::now() + kReplyTimeout);
    if (stop == TEventLoop::TStop::TimedOut)
        stop = LookOnceMore(port, reply);
    if (stop == TEventLoop::TStop::Done) {
        stop = loop_.RunUntil([] { return false; }, TClock::now() + kSettleTime);
        if (stop == TEventLoop::TStop::TimedOut)
            stop = LookOnceMore(port, reply);
    }
    if (stop == TEventLoop::TStop::Interrupted)
        return {.Outcome = TOutcome::Interrupted, .Reply = {}, .Cause = {}};
    if (reply.empty())
        return {.Outcome = TOutcome::NoAnswer, .Reply = {}, .Cause = {}};
    return {.Outcome = reply.size() == 1 ? TOutcome::Replied : TOutcome::Garbled, .Reply = reply, .Cause = {}};
}

// Done when bytes that were waiting in the driver or the receive ring at the deadline have been delivered,
// TimedOut when nothing was waiting.
TEventLoop::TStop TDeviceLink::LookOnceMore(TCommPort& port, const std::string& reply)
{
    const std::size_t waiting = DriverInput(port) + port.InBuffUsed();
    if (waiting == 0)
        return reply.empty() ? TEventLoop::TStop::TimedOut : TEventLoop::TStop::Done;
    const std::size_t expected = reply.size() + waiting;
    const TEventLoop::TStop stop =
        loop_.RunUntil([&reply, expected] { return reply.size() >= expected; }, TClock::now() + kLastLookLimit);
    if (stop == TEventLoop::TStop::Interrupted)
        return stop;
    return reply.empty() ? TEventLoop::TStop::TimedOut : TEventLoop::TStop::Done;
}

} // namespace zentorctl
