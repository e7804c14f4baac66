#include "platform/posix/linestate.h"

#include "platform/serialdevice.h"

#include <sys/ioctl.h>

#include <algorithm>

namespace platform {

namespace {

bool Changed(const TLineSnapshot& before, const TLineSnapshot& now, int bit)
{
    return (before.ModemBits & bit) != (now.ModemBits & bit);
}

bool RingStarted(const TLineSnapshot& before, const TLineSnapshot& now)
{
    return now.Rings != before.Rings || (!(before.ModemBits & TIOCM_RI) && (now.ModemBits & TIOCM_RI));
}

bool ErrorsCounted(const TLineSnapshot& before, const TLineSnapshot& now)
{
    return now.Frames != before.Frames || now.Overruns != before.Overruns || now.Parities != before.Parities
        || now.BufferOverruns != before.BufferOverruns;
}

} // namespace

std::uint32_t LineEvents(const TLineSnapshot& before, const TLineSnapshot& now)
{
    std::uint32_t events = 0;
    if (Changed(before, now, TIOCM_CTS))
        events |= EV_CTS;
    if (Changed(before, now, TIOCM_DSR))
        events |= EV_DSR;
    if (Changed(before, now, TIOCM_CD))
        events |= EV_RLSD;
    if (RingStarted(before, now))
        events |= EV_RING;
    if (now.Breaks != before.Breaks)
        events |= EV_BREAK;
    if (ErrorsCounted(before, now))
        events |= EV_ERR;
    return events;
}

std::uint32_t LineErrors(const TLineSnapshot& before, const TLineSnapshot& now)
{
    std::uint32_t errors = 0;
    if (now.BufferOverruns != before.BufferOverruns)
        errors |= CE_RXOVER;
    if (now.Overruns != before.Overruns)
        errors |= CE_OVERRUN;
    if (now.Parities != before.Parities)
        errors |= CE_RXPARITY;
    if (now.Frames != before.Frames)
        errors |= CE_FRAME;
    if (now.Breaks != before.Breaks)
        errors |= CE_BREAK;
    return errors;
}

std::uint32_t ModemStatus(int modemBits)
{
    std::uint32_t status = 0;
    if (modemBits & TIOCM_CTS)
        status |= MS_CTS_ON;
    if (modemBits & TIOCM_DSR)
        status |= MS_DSR_ON;
    if (modemBits & TIOCM_RI)
        status |= MS_RING_ON;
    if (modemBits & TIOCM_CD)
        status |= MS_RLSD_ON;
    return status;
}

// Ten bits a character is enough for an estimate: start, eight data, one stop.
std::chrono::milliseconds DrainTime(std::uint32_t queuedBytes, std::uint32_t baud, std::chrono::milliseconds limit)
{
    const std::uint64_t ms = baud == 0 ? limit.count() : (std::uint64_t{queuedBytes} * 10 * 1000 + baud - 1) / baud;
    return std::clamp(std::chrono::milliseconds(static_cast<std::int64_t>(ms)), std::chrono::milliseconds(1), limit);
}

std::chrono::milliseconds NextDrainCheck(std::uint32_t queuedBefore, std::uint32_t queuedNow,
                                         std::chrono::milliseconds lastWait, std::uint32_t baud,
                                         std::chrono::milliseconds limit)
{
    const std::chrono::milliseconds drain = DrainTime(queuedNow, baud, limit);
    if (queuedNow != queuedBefore)
        return drain;
    return std::min(limit, std::max(drain, 2 * lastWait));
}

} // namespace platform
