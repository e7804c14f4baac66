// Pure conversions between the line settings record and termios, kept apart from the device so tests can
// check them without a serial port.
#pragma once

#include "platform/serialdevice.h"

#include <termios.h>

#include <cstdint>
#include <optional>

namespace platform {

// The termios speed constant of a rate in bits per second. Only rates the kernel names are known; others
// (14400, 56000, 128000, 256000 among them) give nothing, and the device refuses them rather than run the
// line at a rate nobody asked for.
std::optional<speed_t> SpeedToTermios(std::uint32_t baud);
// The rate of a termios speed constant, 0 for one that is not known.
std::uint32_t SpeedFromTermios(speed_t speed);

// Raw mode: no line editing, echo, signals or translation; the receiver on, modem control lines ignored
// for opening; a non-blocking read with nothing waiting reports "try again", never zero bytes.
termios RawTermios(const termios& current);

// current with the record's speed, frame format and flow control, in raw mode; nothing when the record
// holds a value the line cannot take (unknown speed, byte size outside 5..8, unknown parity or stop-bits
// code, 1.5 stop bits with 6..8 data bits, 2 stop bits with 5 data bits).
std::optional<termios> TermiosFromDcb(const TDcb& dcb, const termios& current);

// The record as the line now runs: speed, frame format and flow control come from termios, every field
// termios has no place for (limits, special characters other than XON/XOFF, control modes) from stored.
TDcb DcbFromTermios(const termios& tio, const TDcb& stored);

} // namespace platform
