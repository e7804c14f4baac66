#include "comm/receivering.h"

#include <cstring>

// The bytes are only read after they were written, so the memory is not cleared: a large ring costs nothing
// until it fills.
void TReceiveRing::Allocate(std::uint32_t size)
{
    Release();
    buffer_ = std::make_unique_for_overwrite<char[]>(size);
    size_ = size;
}

void TReceiveRing::Release()
{
    const std::lock_guard guard(lock_);
    buffer_.reset();
    size_ = 0;
    readPos_ = 0;
    used_ = 0;
}

std::uint32_t TReceiveRing::Free()
{
    const std::lock_guard guard(lock_);
    return size_ - used_;
}

std::uint32_t TReceiveRing::Get(char* buffer, std::uint32_t length)
{
    // An empty ring is answered without the lock: 0 was right when the count was read.
    if (used_.load() == 0)
        return 0;
    ringmath::TPieces pieces;
    {
        const std::lock_guard guard(lock_);
        pieces = ringmath::GetPieces(size_, readPos_, used_, length);
    }
    const std::uint32_t total = pieces.Total();
    if (total == 0)
        return 0;
    std::memcpy(buffer, buffer_.get() + pieces.first.offset, pieces.first.length);
    std::memcpy(buffer + pieces.first.length, buffer_.get() + pieces.second.offset, pieces.second.length);
    const std::lock_guard guard(lock_);
    used_ -= total;
    readPos_ = ringmath::Advance(size_, readPos_, total);
    return total;
}

ringmath::TRun TReceiveRing::FreeRun()
{
    const std::lock_guard guard(lock_);
    return ringmath::FreeRun(size_, readPos_, used_);
}

void TReceiveRing::Commit(std::uint32_t count)
{
    const std::lock_guard guard(lock_);
    used_ += count;
}

// The dropped bytes count as read: the position the next fill writes to stays where it was.
void TReceiveRing::DropPending()
{
    const std::lock_guard guard(lock_);
    readPos_ = ringmath::Advance(size_, readPos_, used_);
    used_ = 0;
}
