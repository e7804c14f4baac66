// TStatusEventThread: raises the port's signal events on the GUI thread after every line event.
#pragma once

#include "classlib/base/thread.h"
#include "comm/commport.h"

class TStatusEventThread : public TThread {
public:
    explicit TStatusEventThread(TCommPort& port);
    ~TStatusEventThread() override;

protected:
    void Execute() override;

private:
    void DeliverStatus();

    TCommPort& Port;
};
