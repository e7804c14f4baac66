// A pseudo-terminal registered as a COM port: the port under test opens "\\.\COM<n>", the test or benchmark
// talks through the master side.
#pragma once

#include "platform/portmap.h"
#include "ptypair.h"

#include <stdexcept>

class TPtyLink {
public:
    // Takes the first free COM number.
    TPtyLink() : number_(platform::RegisterFreeComLink(pty.SlavePath()))
    {
        if (number_ == 0)
            throw std::runtime_error("no free COM number for the pseudo-terminal");
    }
    explicit TPtyLink(int number) : number_(number)
    {
        if (!platform::RegisterComLink(number_, pty.SlavePath()))
            throw std::runtime_error("cannot register the COM link");
    }
    ~TPtyLink() { platform::UnregisterComLink(number_); }
    TPtyLink(const TPtyLink&) = delete;
    TPtyLink& operator=(const TPtyLink&) = delete;

    int Number() const { return number_; }
    PtyPair pty;

private:
    int number_;
};
