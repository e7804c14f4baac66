// TReadThread: when asked, reads the bytes waiting in the device's input queue into the port's receive ring,
// never more than are waiting and never more than the ring has free, and wakes the data delivery thread.
#pragma once

#include "classlib/base/thread.h"
#include "comm/commport.h"

class TReadThread : public TThread {
public:
    explicit TReadThread(TCommPort& port);
    ~TReadThread() override;

protected:
    void Execute() override;

private:
    void ReadWaiting();
    bool ReadOnce();

    TCommPort& Port;
    platform::ISerialDevice* Device;
};
