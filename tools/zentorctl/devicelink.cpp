#include "tools/zentorctl/devicelink.h"

#include "comm/commport.h"
#include "device/frame.h"
#include "device/hextext.h"
#include "device/registers.h"

#include <string>

namespace zentorctl {

namespace {

const AnsiString kEraseModeRegister = "D5";

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
    std::string reply;
    port.OnDataReceived = [&reply](TCommPort* sender, std::uint32_t count) {
        std::string bytes(count, '\0');
        bytes.resize(sender->GetBlock(bytes.data(), count));
        reply += bytes;
    };
    port.SetOpen(true);
    if (!port.Open())
        return {.Outcome = TOutcome::OpenFailed, .Cause = port.OpenFailure()};

    port.PutBlock(reinterpret_cast<const char*>(frame.data()), static_cast<std::uint32_t>(length));
    const auto stop = loop_.RunUntil([&reply] { return !reply.empty(); },
                                     std::chrono::steady_clock::now() + kReplyTimeout);
    port.OnDataReceived = nullptr;
    port.SetOpen(false);

    switch (stop) {
    case TEventLoop::TStop::Done:
        if (reply.size() > 1)
            return {.Outcome = TOutcome::Garbled};
        return {.Outcome = TOutcome::Replied, .Reply = static_cast<std::uint8_t>(reply[0])};
    case TEventLoop::TStop::TimedOut:
        return {.Outcome = TOutcome::NoAnswer};
    case TEventLoop::TStop::Interrupted:
        break;
    }
    return {.Outcome = TOutcome::Interrupted};
}

} // namespace zentorctl
