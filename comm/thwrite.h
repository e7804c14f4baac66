// TWriteThread: when asked, writes the port's transmit ring out to the device, the tail of the ring first.
// With hardware flow control it sends only while CTS is on and otherwise sleeps until the status thread
// reports CTS on.
#pragma once

#include "classlib/base/thread.h"
#include "comm/commport.h"

class TWriteThread : public TThread {
public:
    explicit TWriteThread(TCommPort& port);
    ~TWriteThread() override;

protected:
    void Execute() override;

private:
    bool ClearToSend();
    void WritePending();

    TCommPort& Port;
    platform::ISerialDevice* Device;
};
