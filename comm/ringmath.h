// Position arithmetic of the port's ring buffers, as pure functions.
// A ring of `size` bytes holds `used` pending bytes starting at `readPos`, wrapping at the end; the rest is free.
// Every run returned lies inside [0, size) and inside the region it names (pending or free).
// Sums are formed in 64 bits, so rings up to 4 GiB - 1 cannot overflow.
#pragma once

#include <algorithm>
#include <cstdint>

namespace ringmath {

struct TRun {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    friend bool operator==(const TRun&, const TRun&) = default;
};

// At most two runs, the second one starting at offset 0.
struct TPieces {
    TRun first;
    TRun second;
    constexpr std::uint32_t Total() const { return first.length + second.length; }
};

// Where the next free byte is (the write position, wrapped).
constexpr std::uint32_t WritePos(std::uint32_t size, std::uint32_t readPos, std::uint32_t used)
{
    const std::uint64_t end = std::uint64_t(readPos) + used;
    return static_cast<std::uint32_t>(end < size ? end : end - size);
}

// The free bytes that follow the pending ones without wrapping: where the receiver reads into next.
constexpr TRun FreeRun(std::uint32_t size, std::uint32_t readPos, std::uint32_t used)
{
    const std::uint64_t end = std::uint64_t(readPos) + used;
    if (end < size)
        return {static_cast<std::uint32_t>(end), static_cast<std::uint32_t>(size - end)};
    const auto writePos = static_cast<std::uint32_t>(end - size);
    return {writePos, readPos - writePos};
}

// The pending bytes from the read position up to the end of the ring at most: what the transmitter sends next.
constexpr TRun PendingRun(std::uint32_t size, std::uint32_t readPos, std::uint32_t used)
{
    if (std::uint64_t(readPos) + used < size)
        return {readPos, used};
    return {readPos, size - readPos};
}

// Where up to `length` new bytes go: the free space in order, in one or two runs.
constexpr TPieces PutPieces(std::uint32_t size, std::uint32_t readPos, std::uint32_t used, std::uint32_t length)
{
    const TRun tail = FreeRun(size, readPos, used);
    TPieces pieces{{tail.offset, std::min(length, tail.length)}, {}};
    const bool wrapsToStart = std::uint64_t(readPos) + used < size;
    if (wrapsToStart && length > tail.length)
        pieces.second = {0, std::min(length - tail.length, readPos)};
    return pieces;
}

// Where the next `length` pending bytes at most come from, in order, in one or two runs.
constexpr TPieces GetPieces(std::uint32_t size, std::uint32_t readPos, std::uint32_t used, std::uint32_t length)
{
    const TRun head = PendingRun(size, readPos, used);
    TPieces pieces{{head.offset, std::min(length, head.length)}, {}};
    if (head.length < used && length > head.length)
        pieces.second = {0, std::min(length - head.length, used - head.length)};
    return pieces;
}

// The read position moved on by `count` bytes, wrapped.
constexpr std::uint32_t Advance(std::uint32_t size, std::uint32_t readPos, std::uint32_t count)
{
    return WritePos(size, readPos, count);
}

} // namespace ringmath
