#include "comm/transmitring.h"

#include <cstring>

// The bytes are only read after they were written, so the memory is not cleared: a large ring costs nothing
// until it fills.
void TTransmitRing::Allocate(std::uint32_t size)
{
    Release();
    buffer_ = std::make_unique_for_overwrite<char[]>(size);
    size_ = size;
}

void TTransmitRing::Release()
{
    {
        const std::lock_guard guard(lock_);
        buffer_.reset();
        size_ = 0;
        readPos_ = 0;
        used_ = 0;
        held_ = 0;
        writing_ = false;
    }
    runEnded_.notify_all();
}

std::uint32_t TTransmitRing::Free()
{
    const std::lock_guard guard(lock_);
    return size_ - held_ - used_;
}

std::uint32_t TTransmitRing::Put(const char* data, std::uint32_t length)
{
    ringmath::TPieces pieces;
    {
        const std::lock_guard guard(lock_);
        pieces = ringmath::PutPieces(size_, HeldStart(), held_ + used_, length);
    }
    const std::uint32_t total = pieces.Total();
    if (total == 0)
        return 0;
    std::memcpy(buffer_.get() + pieces.first.offset, data, pieces.first.length);
    std::memcpy(buffer_.get() + pieces.second.offset, data + pieces.first.length, pieces.second.length);
    const std::lock_guard guard(lock_);
    used_ += total;
    writeRequest_.SetEvent();
    return total;
}

void TTransmitRing::WakeWriter()
{
    const std::lock_guard guard(lock_);
    writeRequest_.SetEvent();
}

// Where the held bytes start: held_ bytes before the read position, wrapped.
std::uint32_t TTransmitRing::HeldStart() const
{
    return ringmath::Advance(size_, readPos_, size_ - held_);
}

bool TTransmitRing::TakeRun(TRun& out)
{
    const std::lock_guard guard(lock_);
    out.run = ringmath::PendingRun(size_, readPos_, used_);
    out.generation = runGeneration_ = generation_;
    writing_ = out.run.length != 0;
    return writing_;
}

// After a drop the written count no longer applies, and the bytes held back for this write become free.
void TTransmitRing::FinishRun(const TRun& out, std::uint32_t written)
{
    {
        const std::lock_guard guard(lock_);
        writing_ = false;
        if (out.generation != generation_) {
            held_ = 0;
        } else {
            used_ -= written;
            readPos_ = ringmath::Advance(size_, readPos_, written);
        }
    }
    runEnded_.notify_all();
}

bool TTransmitRing::ResetRequestIfIdle()
{
    const std::lock_guard guard(lock_);
    if (used_ != 0)
        return false;
    writeRequest_.ResetEvent();
    return true;
}

bool TTransmitRing::DropPending()
{
    const std::lock_guard guard(lock_);
    writeRequest_.ResetEvent();
    if (writing_)
        held_ += used_;
    readPos_ = ringmath::Advance(size_, readPos_, used_);
    used_ = 0;
    generation_++;
    return writing_;
}

bool TTransmitRing::WaitDroppedRunEnded(std::chrono::milliseconds limit)
{
    std::unique_lock guard(lock_);
    return runEnded_.wait_for(guard, limit, [this] { return !writing_ || runGeneration_ == generation_; });
}
