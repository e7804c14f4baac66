// One request to the device over TCommPort with the program's line settings, and its reply.
#pragma once

#include "classlib/base/ansistring.h"
#include "device/settingsexchange.h"
#include "tools/zentorctl/ctloptions.h"
#include "tools/zentorctl/ctloutput.h"
#include "tools/zentorctl/eventloop.h"

#include <chrono>
#include <string>

class TCommPort;

namespace zentorctl {

// The window's reply and settle times: the tool judges a reply by the same rules.
constexpr std::chrono::milliseconds kReplyTimeout = device::kReplyTime;
constexpr std::chrono::milliseconds kSettleTime = device::kSettleTime;
// How long bytes that had reached the driver when a wait ended may take to come through the port.
constexpr std::chrono::milliseconds kLastLookLimit{200};

// The request frame, as hexadecimal text, of a read or write command.
AnsiString RequestFrame(const TCtlOptions& options);

class TDeviceLink {
public:
    TDeviceLink(TEventLoop& loop, int comNumber, int speed);

    // Opens and purges the port, sends the frame, waits for the reply and closes the port again. Only bytes
    // that come after the request count as its reply.
    TExchangeResult Exchange(const AnsiString& frameText);

private:
    TExchangeResult AwaitReply(TCommPort& port, const std::string& reply);
    TEventLoop::TStop LookOnceMore(TCommPort& port, const std::string& reply);

    TEventLoop& loop_;
    int comNumber_;
    int speed_;
};

} // namespace zentorctl
