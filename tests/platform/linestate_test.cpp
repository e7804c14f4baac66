#include "platform/posix/linestate.h"

#include "platform/serialdevice.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

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
