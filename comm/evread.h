// TReadEventThread: raises the port's OnDataReceived on the GUI thread whenever the reader has brought bytes.
#pragma once

#include "classlib/base/thread.h"
#include "comm/commport.h"

class TReadEventThread : public TThread {
public:
    explicit TReadEventThread(TCommPort& port);
    ~TReadEventThread() override;

protected:
    void Execute() override;

private:
    void DeliverData();

    TCommPort& Port;
};
