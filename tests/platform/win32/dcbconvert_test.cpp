#include "platform/win32/dcbconvert.h"

#include <gtest/gtest.h>

using namespace platform;

// The flag words the port writes for its three kinds of flow control, and every single flag, reach the
// driver's bit fields and come back unchanged; the other fields travel as they are.
TEST(DcbConvert, RecordsRoundTripThroughTheDriversBlock)
{
    const std::uint32_t flagWords[] = {0x0001, 0x1311, 0x202D, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040,
                                       0x0080, 0x0100, 0x0200, 0x0400, 0x0800, 0x1000, 0x2000, 0x4000, 0x7FFF};
    for (const std::uint32_t flags : flagWords) {
        TDcb dcb;
        dcb.BaudRate = 57600;
        dcb.Flags = flags;
        dcb.XonLim = 17;
        dcb.XoffLim = 1024;
        dcb.ByteSize = 7;
        dcb.Parity = 2;
        dcb.StopBits = 2;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        dcb.ErrorChar = '?';
        dcb.EofChar = 0x1A;
        dcb.EvtChar = '\n';
        DCB native{};
        native.DCBlength = sizeof native;
        ApplyDcb(dcb, native);
        EXPECT_EQ(native.DCBlength, sizeof native);
        EXPECT_EQ(DcbFromNative(native), dcb) << std::hex << flags;
    }
}

TEST(DcbConvert, FlowControlWordsSetTheDriversFields)
{
    DCB soft{};
    ApplyDcb(TDcb{.Flags = 0x1311}, soft);
    EXPECT_TRUE(soft.fBinary && soft.fOutX && soft.fInX);
    EXPECT_EQ(soft.fDtrControl, unsigned(DTR_CONTROL_ENABLE));
    EXPECT_EQ(soft.fRtsControl, unsigned(RTS_CONTROL_ENABLE));
    EXPECT_FALSE(soft.fOutxCtsFlow || soft.fParity);

    DCB hard{};
    ApplyDcb(TDcb{.Flags = 0x202D}, hard);
    EXPECT_TRUE(hard.fBinary && hard.fOutxCtsFlow && hard.fOutxDsrFlow);
    EXPECT_EQ(hard.fDtrControl, unsigned(DTR_CONTROL_HANDSHAKE));
    EXPECT_EQ(hard.fRtsControl, unsigned(RTS_CONTROL_HANDSHAKE));
    EXPECT_FALSE(hard.fOutX || hard.fInX);
}

// Whatever read time-outs the caller asks for, a read returns at once with the bytes that are there.
TEST(DcbConvert, ReadsNeverWaitAndWriteTimeoutsPassOn)
{
    const COMMTIMEOUTS native = NativeTimeouts({500, 10, 1000, 3, 4000});
    EXPECT_EQ(native.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(native.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(native.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(native.WriteTotalTimeoutMultiplier, 3u);
    EXPECT_EQ(native.WriteTotalTimeoutConstant, 4000u);
}
