#include "platform/posix/linestate.h"

#include "platform/serialdevice.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <vector>

using namespace platform;
using namespace std::chrono_literals;

TEST(LineState, ModemLineChangesBecomeEvents)
{
    TLineSnapshot before;
    before.ModemBits = TIOCM_CTS | TIOCM_CD;
    TLineSnapshot now = before;
    EXPECT_EQ(LineEvents(before, now), 0u);
    now.ModemBits = TIOCM_DSR | TIOCM_CD;
    EXPECT_EQ(LineEvents(before, now), EV_CTS | EV_DSR);
    now.ModemBits = TIOCM_CTS;
    EXPECT_EQ(LineEvents(before, now), EV_RLSD);
    now.ModemBits = TIOCM_CTS | TIOCM_CD | TIOCM_RI;
    EXPECT_EQ(LineEvents(before, now), EV_RING);
    EXPECT_EQ(LineEvents(now, before), 0u); // the ring indicator going off is no ring
}

TEST(LineState, CountersBecomeEventsAndErrors)
{
    const TLineSnapshot before{0, 3, 1, 5, 0, 0, 0};
    TLineSnapshot now = before;
    ++now.Breaks;
    EXPECT_EQ(LineEvents(before, now), EV_BREAK);
    EXPECT_EQ(LineErrors(before, now), CE_BREAK);
    now = before;
    ++now.Frames;
    ++now.Parities;
    EXPECT_EQ(LineEvents(before, now), EV_ERR);
    EXPECT_EQ(LineErrors(before, now), CE_FRAME | CE_RXPARITY);
    now = before;
    ++now.Overruns;
    ++now.BufferOverruns;
    EXPECT_EQ(LineErrors(before, now), CE_OVERRUN | CE_RXOVER);
    now = before;
    ++now.Rings;
    EXPECT_EQ(LineEvents(before, now), EV_RING);
    EXPECT_EQ(LineErrors(before, now), 0u);
}

TEST(LineState, ModemStatusBits)
{
    EXPECT_EQ(ModemStatus(0), 0u);
    EXPECT_EQ(ModemStatus(TIOCM_CTS | TIOCM_DSR | TIOCM_RI | TIOCM_CD | TIOCM_DTR | TIOCM_RTS),
              MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON);
    EXPECT_EQ(ModemStatus(TIOCM_CD), MS_RLSD_ON);
}

TEST(LineState, DrainTimeFollowsTheRateWithinBounds)
{
    EXPECT_EQ(DrainTime(96, 9600, 50ms), 50ms);  // 100 ms of bytes, capped
    EXPECT_EQ(DrainTime(30, 9600, 50ms), 32ms);  // 31.25 ms, rounded up
    EXPECT_EQ(DrainTime(0, 9600, 50ms), 1ms);
    EXPECT_EQ(DrainTime(10, 0, 50ms), 50ms);
}

// The output queue as seen at successive checks (9600 baud: about 1 ms per byte), and the wait chosen after each.
TEST(LineState, DrainChecksBackOffWhileFlowControlHoldsTheQueue)
{
    struct TCase {
        const char* name;
        std::vector<std::uint32_t> queued;
        std::vector<std::chrono::milliseconds> waits;
    };
    const TCase cases[] = {
        {"draining", {5, 3, 1}, {6ms, 4ms, 2ms}},
        {"held off", {2, 2, 2, 2, 2, 2, 2, 2}, {3ms, 6ms, 12ms, 24ms, 48ms, 50ms, 50ms, 50ms}},
        {"held off, then moving again", {2, 2, 2, 1}, {3ms, 6ms, 12ms, 2ms}},
        {"more bytes written", {2, 2, 40}, {3ms, 6ms, 42ms}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::uint32_t before = 0;
        std::chrono::milliseconds wait{0};
        std::vector<std::chrono::milliseconds> waits;
        for (std::uint32_t now : c.queued) {
            wait = NextDrainCheck(before, now, wait, 9600, 50ms);
            waits.push_back(wait);
            before = now;
        }
        EXPECT_EQ(waits, c.waits);
    }
}
