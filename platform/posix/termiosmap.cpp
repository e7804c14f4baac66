#include "platform/posix/termiosmap.h"

#include <array>
#include <utility>

namespace platform {

namespace {

constexpr std::array<std::pair<std::uint32_t, speed_t>, 30> kSpeeds{{
    {50, B50},         {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},       {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},     {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},   {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

constexpr std::uint32_t kCtsRtsFlow = DCB_OUTX_CTS_FLOW | DCB_RTS_CONTROL_HANDSHAKE;

std::optional<tcflag_t> SizeBits(std::uint8_t byteSize)
{
    switch (byteSize) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    case 8: return CS8;
    }
    return std::nullopt;
}

std::optional<tcflag_t> ParityBits(std::uint8_t parity)
{
    switch (parity) {
    case NOPARITY: return tcflag_t{0};
    case ODDPARITY: return tcflag_t{PARENB | PARODD};
    case EVENPARITY: return tcflag_t{PARENB};
    case MARKPARITY: return tcflag_t{PARENB | CMSPAR | PARODD};
    case SPACEPARITY: return tcflag_t{PARENB | CMSPAR};
    }
    return std::nullopt;
}

// The line has one extra stop-bit setting: 1.5 stop bits with 5 data bits, 2 with more.
std::optional<tcflag_t> StopBits(std::uint8_t stopBits, std::uint8_t byteSize)
{
    switch (stopBits) {
    case ONESTOPBIT: return tcflag_t{0};
    case ONE5STOPBITS: return byteSize == 5 ? std::optional<tcflag_t>(CSTOPB) : std::nullopt;
    case TWOSTOPBITS: return byteSize != 5 ? std::optional<tcflag_t>(CSTOPB) : std::nullopt;
    }
    return std::nullopt;
}

std::uint8_t ByteSizeOf(tcflag_t cflag)
{
    switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    }
    return 8;
}

std::uint8_t ParityOf(tcflag_t cflag)
{
    if (!(cflag & PARENB))
        return NOPARITY;
    if (cflag & CMSPAR)
        return (cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    return (cflag & PARODD) ? ODDPARITY : EVENPARITY;
}

void ApplyFlowControl(termios& tio, const TDcb& dcb)
{
    if (dcb.Flags & kCtsRtsFlow)
        tio.c_cflag |= CRTSCTS;
    if (dcb.Flags & DCB_OUTX)
        tio.c_iflag |= IXON;
    if (dcb.Flags & DCB_INX)
        tio.c_iflag |= IXOFF;
    if (dcb.Flags & DCB_PARITY)
        tio.c_iflag |= INPCK;
    tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
}

std::uint32_t SetBit(std::uint32_t flags, std::uint32_t bit, bool on)
{
    return on ? (flags | bit) : (flags & ~bit);
}

// Hardware flow control is one switch in termios; the record's two handshake bits are kept as stored
// while they agree with it.
std::uint32_t FlowFlags(const termios& tio, std::uint32_t stored)
{
    const bool hardware = tio.c_cflag & CRTSCTS;
    if (hardware != bool(stored & kCtsRtsFlow))
        stored = hardware ? ((stored & ~DCB_RTS_CONTROL_ENABLE) | kCtsRtsFlow) : (stored & ~kCtsRtsFlow);
    stored = SetBit(stored, DCB_OUTX, tio.c_iflag & IXON);
    stored = SetBit(stored, DCB_INX, tio.c_iflag & IXOFF);
    return SetBit(stored, DCB_PARITY, tio.c_iflag & INPCK);
}

} // namespace

std::optional<speed_t> SpeedToTermios(std::uint32_t baud)
{
    for (const auto& [rate, constant] : kSpeeds)
        if (rate == baud)
            return constant;
    return std::nullopt;
}

std::uint32_t SpeedFromTermios(speed_t speed)
{
    for (const auto& [rate, constant] : kSpeeds)
        if (constant == speed)
            return rate;
    return 0;
}

termios RawTermios(const termios& current)
{
    termios tio = current;
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return tio;
}

std::optional<termios> TermiosFromDcb(const TDcb& dcb, const termios& current)
{
    const auto speed = SpeedToTermios(dcb.BaudRate);
    const auto size = SizeBits(dcb.ByteSize);
    const auto parity = ParityBits(dcb.Parity);
    const auto stop = StopBits(dcb.StopBits, dcb.ByteSize);
    if (!speed || !size || !parity || !stop)
        return std::nullopt;
    termios tio = RawTermios(current);
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | *size | *parity | *stop;
    ApplyFlowControl(tio, dcb);
    cfsetispeed(&tio, *speed);
    cfsetospeed(&tio, *speed);
    return tio;
}

TDcb DcbFromTermios(const termios& tio, const TDcb& stored)
{
    TDcb dcb = stored;
    if (const std::uint32_t rate = SpeedFromTermios(cfgetospeed(&tio)))
        dcb.BaudRate = rate;
    dcb.ByteSize = ByteSizeOf(tio.c_cflag);
    dcb.Parity = ParityOf(tio.c_cflag);
    dcb.StopBits = !(tio.c_cflag & CSTOPB) ? ONESTOPBIT : (dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS);
    dcb.Flags = FlowFlags(tio, stored.Flags);
    dcb.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
    return dcb;
}

} // namespace platform
