#include "platform/posix/termiosmap.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

termios Cooked()
{
    termios tio{};
    tio.c_iflag = ICRNL | IXON | BRKINT;
    tio.c_oflag = OPOST | ONLCR;
    tio.c_lflag = ECHO | ICANON | ISIG | IEXTEN;
    tio.c_cflag = CS7 | PARENB | HUPCL;
    cfsetspeed(&tio, B38400);
    return tio;
}

TDcb Record(std::uint32_t baud, std::uint8_t size, std::uint8_t parity, std::uint8_t stop, std::uint32_t flags = DCB_BINARY)
{
    TDcb dcb;
    dcb.BaudRate = baud;
    dcb.ByteSize = size;
    dcb.Parity = parity;
    dcb.StopBits = stop;
    dcb.Flags = flags;
    return dcb;
}

} // namespace

TEST(TermiosMap, StandardRatesMapBothWaysAndOthersAreRefused)
{
    for (std::uint32_t rate : {110u, 300u, 1200u, 9600u, 19200u, 38400u, 57600u, 115200u, 230400u}) {
        const auto speed = SpeedToTermios(rate);
        ASSERT_TRUE(speed) << rate;
        EXPECT_EQ(SpeedFromTermios(*speed), rate);
    }
    for (std::uint32_t rate : {0u, 14400u, 56000u, 128000u, 256000u, 9601u})
        EXPECT_FALSE(SpeedToTermios(rate)) << rate;
}

TEST(TermiosMap, RawModeLeavesNoLineProcessing)
{
    const termios raw = RawTermios(Cooked());
    EXPECT_EQ(raw.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(raw.c_oflag & OPOST, 0u);
    EXPECT_EQ(raw.c_iflag & (ICRNL | IXON | BRKINT), 0u);
    EXPECT_EQ(raw.c_cflag & (CSIZE | PARENB), tcflag_t{CS8});
    EXPECT_EQ(raw.c_cflag & (CREAD | CLOCAL), tcflag_t{CREAD | CLOCAL});
    EXPECT_EQ(raw.c_cc[VMIN], 1); // an empty non-blocking read then says "try again", not zero bytes
    EXPECT_EQ(raw.c_cc[VTIME], 0);
}

TEST(TermiosMap, FrameFormatOfTheRecord)
{
    const auto tio = TermiosFromDcb(Record(57600, 7, EVENPARITY, TWOSTOPBITS), Cooked());
    ASSERT_TRUE(tio);
    EXPECT_EQ(cfgetospeed(&*tio), speed_t{B57600});
    EXPECT_EQ(cfgetispeed(&*tio), speed_t{B57600});
    EXPECT_EQ(tio->c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), tcflag_t{CS7 | PARENB | CSTOPB});
    EXPECT_EQ(tio->c_lflag & ICANON, 0u);

    const auto mark = TermiosFromDcb(Record(9600, 8, MARKPARITY, ONESTOPBIT), Cooked());
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), tcflag_t{PARENB | PARODD | CMSPAR});
    const auto space = TermiosFromDcb(Record(9600, 8, SPACEPARITY, ONESTOPBIT), Cooked());
    ASSERT_TRUE(space);
    EXPECT_EQ(space->c_cflag & (PARENB | PARODD | CMSPAR), tcflag_t{PARENB | CMSPAR});
    const auto odd = TermiosFromDcb(Record(9600, 5, ODDPARITY, ONE5STOPBITS), Cooked());
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), tcflag_t{CS5 | PARENB | PARODD | CSTOPB});
}

TEST(TermiosMap, ValuesTheLineCannotTakeAreRefused)
{
    EXPECT_FALSE(TermiosFromDcb(Record(14400, 8, NOPARITY, ONESTOPBIT), Cooked()));
    EXPECT_FALSE(TermiosFromDcb(Record(9600, 4, NOPARITY, ONESTOPBIT), Cooked()));
    EXPECT_FALSE(TermiosFromDcb(Record(9600, 9, NOPARITY, ONESTOPBIT), Cooked()));
    EXPECT_FALSE(TermiosFromDcb(Record(9600, 8, 5, ONESTOPBIT), Cooked()));
    EXPECT_FALSE(TermiosFromDcb(Record(9600, 8, NOPARITY, 3), Cooked()));
    EXPECT_FALSE(TermiosFromDcb(Record(9600, 8, NOPARITY, ONE5STOPBITS), Cooked()));
    EXPECT_FALSE(TermiosFromDcb(Record(9600, 5, NOPARITY, TWOSTOPBITS), Cooked()));
}

TEST(TermiosMap, FlowControlWordsOfThePortComponent)
{
    const auto none = TermiosFromDcb(Record(9600, 8, NOPARITY, ONESTOPBIT, 0x0001), Cooked());
    ASSERT_TRUE(none);
    EXPECT_EQ(none->c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(none->c_iflag & (IXON | IXOFF | INPCK), 0u);

    TDcb soft = Record(9600, 8, NOPARITY, ONESTOPBIT, 0x1311);
    soft.XonChar = 0x11;
    soft.XoffChar = 0x13;
    const auto softTio = TermiosFromDcb(soft, Cooked());
    ASSERT_TRUE(softTio);
    EXPECT_EQ(softTio->c_iflag & (IXON | IXOFF), tcflag_t{IXON | IXOFF});
    EXPECT_EQ(softTio->c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(softTio->c_cc[VSTART], 0x11);
    EXPECT_EQ(softTio->c_cc[VSTOP], 0x13);

    const auto hard = TermiosFromDcb(Record(9600, 8, NOPARITY, ONESTOPBIT, 0x202D), Cooked());
    ASSERT_TRUE(hard);
    EXPECT_EQ(hard->c_cflag & CRTSCTS, tcflag_t{CRTSCTS});
    EXPECT_EQ(hard->c_iflag & (IXON | IXOFF), 0u);
}

TEST(TermiosMap, RecordSurvivesTheRoundTrip)
{
    for (std::uint32_t flags : {0x0001u, 0x1311u, 0x202Du}) {
        TDcb dcb = Record(19200, 8, EVENPARITY, ONESTOPBIT, flags);
        dcb.XonLim = 10;
        dcb.XoffLim = 1024;
        dcb.EvtChar = '\n';
        const auto tio = TermiosFromDcb(dcb, Cooked());
        ASSERT_TRUE(tio);
        EXPECT_EQ(DcbFromTermios(*tio, dcb), dcb) << std::hex << flags;
    }
    const TDcb fiveBits = Record(300, 5, NOPARITY, ONE5STOPBITS);
    EXPECT_EQ(DcbFromTermios(*TermiosFromDcb(fiveBits, Cooked()), fiveBits), fiveBits);
}

TEST(TermiosMap, RecordReportsWhatTheLineRunsNotWhatWasStored)
{
    // A driver that turned 7 data bits with parity into 8N (as pseudo-terminals do) is reported as it runs.
    termios eightN = RawTermios(Cooked());
    cfsetspeed(&eightN, B9600);
    const TDcb stored = Record(9600, 7, EVENPARITY, ONESTOPBIT, 0x202D);
    const TDcb now = DcbFromTermios(eightN, stored);
    EXPECT_EQ(now.ByteSize, 8);
    EXPECT_EQ(now.Parity, NOPARITY);
    EXPECT_EQ(now.Flags & (DCB_OUTX_CTS_FLOW | DCB_RTS_CONTROL_HANDSHAKE), 0u);
    EXPECT_EQ(now.Flags & DCB_OUTX_DSR_FLOW, DCB_OUTX_DSR_FLOW); // termios has no place for it: kept
}
