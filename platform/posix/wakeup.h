// A file descriptor that poll() sees as readable once signalled, until drained: lets one thread end
// another thread's poll() at once.
#pragma once

namespace platform {

class TWakeup {
public:
    TWakeup();
    ~TWakeup();
    TWakeup(const TWakeup&) = delete;
    TWakeup& operator=(const TWakeup&) = delete;

    bool Valid() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Signal();
    void Drain();

private:
    int fd_;
};

} // namespace platform
