// TStatusThread: waits for line events of the port's device, keeps the port's line states, wakes the reader
// when characters arrive and the status delivery thread after every event.
#pragma once

#include "classlib/base/thread.h"
#include "comm/commport.h"

class TStatusThread : public TThread {
public:
    // Sets the device's event mask from the events before the body starts.
    TStatusThread(TCommPort& port, TEventStates events);
    ~TStatusThread() override;

protected:
    void Execute() override;

private:
    bool ReadLineStates();
    void HandleEvents(std::uint32_t events);
    void WakeWriterIfClear();

    TCommPort& Port;
    platform::ISerialDevice* Device;
};
