// One request to the device over TCommPort with the program's line settings, and its first reply byte.
#pragma once

#include "classlib/ansistring.h"
#include "tools/zentorctl/ctloptions.h"
#include "tools/zentorctl/ctloutput.h"
#include "tools/zentorctl/eventloop.h"

#include <chrono>

namespace zentorctl {

constexpr std::chrono::milliseconds kReplyTimeout{3000};

// The request frame, as hexadecimal text, of a read or write command.
AnsiString RequestFrame(const TCtlOptions& options);

class TDeviceLink {
public:
    TDeviceLink(TEventLoop& loop, int comNumber, int speed);

    // Opens the port, sends the frame, waits for the first reply byte and closes the port again.
    TExchangeResult Exchange(const AnsiString& frameText);

private:
    TEventLoop& loop_;
    int comNumber_;
    int speed_;
};

} // namespace zentorctl
