// Pure rules for the line events and errors that serial drivers only report as states and counters:
// the modem lines (TIOCMGET) and the interrupt counters (TIOCGICOUNT) compared between two snapshots.
#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

struct TLineSnapshot {
    int ModemBits = 0; // TIOCM_* bits
    std::uint32_t Rings = 0;
    std::uint32_t Breaks = 0;
    std::uint32_t Frames = 0;
    std::uint32_t Overruns = 0;
    std::uint32_t Parities = 0;
    std::uint32_t BufferOverruns = 0;
};

// Event bits (EV_CTS, EV_DSR, EV_RLSD, EV_RING, EV_BREAK, EV_ERR) for what changed from before to now.
std::uint32_t LineEvents(const TLineSnapshot& before, const TLineSnapshot& now);

// Line error bits (CE_*) for the errors counted from before to now.
std::uint32_t LineErrors(const TLineSnapshot& before, const TLineSnapshot& now);

// Modem status bits (MS_*) of the TIOCM_* bits.
std::uint32_t ModemStatus(int modemBits);

// How long the output queue needs to drain at the given rate, bounded to [1 ms, limit].
std::chrono::milliseconds DrainTime(std::uint32_t queuedBytes, std::uint32_t baud, std::chrono::milliseconds limit);

// How long to wait before the output queue is looked at again, given its size at the last look and now and
// the last wait: its drain time while it moves; twice the last wait (up to limit) while flow control holds it.
std::chrono::milliseconds NextDrainCheck(std::uint32_t queuedBefore, std::uint32_t queuedNow,
                                         std::chrono::milliseconds lastWait, std::uint32_t baud,
                                         std::chrono::milliseconds limit);

} // namespace platform
