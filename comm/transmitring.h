// TTransmitRing: the port's transmit ring. The GUI thread puts bytes into its free region and the write
// thread hands its pending region to the device; each copies without the lock, which guards the read
// position, the used count and the fields below them. Putting bytes signals the write request under the
// lock, so the writer's idle check cannot reset a request unseen.
#pragma once

#include "classlib/base/event.h"
#include "comm/ringmath.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class TTransmitRing {
public:
    // A run handed to the device, and the flush count when it was taken.
    struct TRun {
        ringmath::TRun run;
        std::uint64_t generation = 0;
    };

    explicit TTransmitRing(TEvent& writeRequest) : writeRequest_(writeRequest) {}

    // Both empty the ring; Allocate throws std::bad_alloc.
    void Allocate(std::uint32_t size);
    void Release();

    std::uint32_t Used() const { return used_.load(); }
    std::uint32_t Free();
    // Copies as many leading bytes as fit in and returns their number.
    std::uint32_t Put(const char* data, std::uint32_t length);
    void WakeWriter();

    // The next pending run; from now until FinishRun the device may read it.
    bool TakeRun(TRun& out);
    const char* At(const TRun& out) const { return buffer_.get() + out.run.offset; }
    void FinishRun(const TRun& out, std::uint32_t written);
    // Resets the write request when nothing is pending, atomically with Put's signal; returns whether idle.
    bool ResetRequestIfIdle();
    // Drops the pending bytes and resets the write request. A run the device has now stays held until its
    // write returns, and that write's count no longer applies. Returns whether such a run was under way.
    bool DropPending();
    // Waits up to `limit` until no run taken before the last drop is being written; returns whether none is.
    bool WaitDroppedRunEnded(std::chrono::milliseconds limit);

private:
    std::uint32_t HeldStart() const;

    TEvent& writeRequest_;
    std::unique_ptr<char[]> buffer_;
    std::uint32_t size_ = 0;
    std::uint32_t readPos_ = 0;
    std::atomic<std::uint32_t> used_{0};
    // Bytes dropped while the device had them: they sit just before readPos_ and may not be reused yet.
    std::uint32_t held_ = 0;
    bool writing_ = false;
    std::uint64_t generation_ = 0;    // moved on by every DropPending
    std::uint64_t runGeneration_ = 0; // the generation of the run being written
    std::mutex lock_;
    std::condition_variable runEnded_;
};
