// TReceiveRing: the port's receive ring. The read thread fills its free region and the GUI thread empties its
// pending region; each copies without the lock, which guards only the read position and the used count.
// A fill and a flush never overlap: a flush waits for the fill that runs and purges the device before the
// next one starts, so every byte a fill brings arrived wholly before the flush (and is dropped by it) or
// wholly after it (and is kept).
#pragma once

#include "comm/ringmath.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class TReceiveRing {
public:
    // Both empty the ring; Allocate throws std::bad_alloc.
    void Allocate(std::uint32_t size);
    void Release();

    std::uint32_t Used() const { return used_.load(); }
    std::uint32_t Free();
    // Copies up to length pending bytes out, in order, and returns their number.
    std::uint32_t Get(char* buffer, std::uint32_t length);

    // Lets read(at, room) bring at most `wanted` bytes into the free run and counts the number it returns.
    template <class Read>
    std::uint32_t Fill(std::uint32_t wanted, Read read)
    {
        const std::lock_guard gate(fillGate_);
        const ringmath::TRun run = FreeRun();
        const std::uint32_t room = std::min(run.length, wanted);
        if (room == 0)
            return 0;
        const std::uint32_t count = std::min(read(buffer_.get() + run.offset, room), room);
        Commit(count);
        return count;
    }
    // Runs purge() (which empties the device's input) and drops the pending bytes, with no fill in between.
    template <class Purge>
    void Flush(Purge purge)
    {
        const std::lock_guard gate(fillGate_);
        purge();
        DropPending();
    }

private:
    ringmath::TRun FreeRun();
    void Commit(std::uint32_t count);
    void DropPending();

    std::unique_ptr<char[]> buffer_;
    std::uint32_t size_ = 0;
    std::uint32_t readPos_ = 0;
    std::atomic<std::uint32_t> used_{0};
    std::mutex lock_;     // guards readPos_ and changes of used_
    std::mutex fillGate_; // held by a fill and by a flush, never by Get
};
