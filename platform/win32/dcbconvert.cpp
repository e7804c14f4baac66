#include "platform/win32/dcbconvert.h"

namespace platform {

namespace {

// Positions of the driver's flag bits in the record's flag word.
constexpr unsigned kDtrControlShift = 4;
constexpr unsigned kRtsControlShift = 12;
constexpr std::uint32_t kTwoBits = 0x3;
constexpr std::uint32_t kDsrSensitivity = 0x0040;
constexpr std::uint32_t kTxContinueOnXoff = 0x0080;
constexpr std::uint32_t kErrorChar = 0x0400;
constexpr std::uint32_t kNull = 0x0800;
constexpr std::uint32_t kAbortOnError = 0x4000;

bool Has(std::uint32_t flags, std::uint32_t bit) { return (flags & bit) != 0; }

void ApplyFlags(std::uint32_t flags, DCB& native)
{
    native.fBinary = Has(flags, DCB_BINARY);
    native.fParity = Has(flags, DCB_PARITY);
    native.fOutxCtsFlow = Has(flags, DCB_OUTX_CTS_FLOW);
    native.fOutxDsrFlow = Has(flags, DCB_OUTX_DSR_FLOW);
    native.fDtrControl = (flags >> kDtrControlShift) & kTwoBits;
    native.fDsrSensitivity = Has(flags, kDsrSensitivity);
    native.fTXContinueOnXoff = Has(flags, kTxContinueOnXoff);
    native.fOutX = Has(flags, DCB_OUTX);
    native.fInX = Has(flags, DCB_INX);
    native.fErrorChar = Has(flags, kErrorChar);
    native.fNull = Has(flags, kNull);
    native.fRtsControl = (flags >> kRtsControlShift) & kTwoBits;
    native.fAbortOnError = Has(flags, kAbortOnError);
}

std::uint32_t Bit(bool on, std::uint32_t bit) { return on ? bit : 0; }

std::uint32_t FlagsOf(const DCB& native)
{
    return Bit(native.fBinary, DCB_BINARY) | Bit(native.fParity, DCB_PARITY) |
           Bit(native.fOutxCtsFlow, DCB_OUTX_CTS_FLOW) | Bit(native.fOutxDsrFlow, DCB_OUTX_DSR_FLOW) |
           (static_cast<std::uint32_t>(native.fDtrControl) << kDtrControlShift) |
           Bit(native.fDsrSensitivity, kDsrSensitivity) | Bit(native.fTXContinueOnXoff, kTxContinueOnXoff) |
           Bit(native.fOutX, DCB_OUTX) | Bit(native.fInX, DCB_INX) | Bit(native.fErrorChar, kErrorChar) |
           Bit(native.fNull, kNull) | (static_cast<std::uint32_t>(native.fRtsControl) << kRtsControlShift) |
           Bit(native.fAbortOnError, kAbortOnError);
}

} // namespace

void ApplyDcb(const TDcb& dcb, DCB& native)
{
    native.BaudRate = dcb.BaudRate;
    ApplyFlags(dcb.Flags, native);
    native.XonLim = dcb.XonLim;
    native.XoffLim = dcb.XoffLim;
    native.ByteSize = dcb.ByteSize;
    native.Parity = dcb.Parity;
    native.StopBits = dcb.StopBits;
    native.XonChar = dcb.XonChar;
    native.XoffChar = dcb.XoffChar;
    native.ErrorChar = dcb.ErrorChar;
    native.EofChar = dcb.EofChar;
    native.EvtChar = dcb.EvtChar;
}

TDcb DcbFromNative(const DCB& native)
{
    TDcb dcb;
    dcb.BaudRate = native.BaudRate;
    dcb.Flags = FlagsOf(native);
    dcb.XonLim = native.XonLim;
    dcb.XoffLim = native.XoffLim;
    dcb.ByteSize = native.ByteSize;
    dcb.Parity = native.Parity;
    dcb.StopBits = native.StopBits;
    dcb.XonChar = native.XonChar;
    dcb.XoffChar = native.XoffChar;
    dcb.ErrorChar = native.ErrorChar;
    dcb.EofChar = native.EofChar;
    dcb.EvtChar = native.EvtChar;
    return dcb;
}

COMMTIMEOUTS NativeTimeouts(const TCommTimeouts& timeouts)
{
    COMMTIMEOUTS native{};
    native.ReadIntervalTimeout = MAXDWORD; // with both read totals 0: return at once with what is there
    native.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
    native.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
    return native;
}

} // namespace platform
