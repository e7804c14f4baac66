// Hexadecimal text: two digits per byte, most significant digit first, no separators and no prefix.
// Text made here uses upper-case digits; text read here may use either case.
#pragma once

#include "classlib/base/ansistring.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace device {

// The transmit buffer of a frame: the frame's bytes and a terminating zero that is not sent.
constexpr std::size_t kTransmitBufferSize = 8192;
using TTransmitBuffer = std::array<std::uint8_t, kTransmitBufferSize>;

// The text as a hexadecimal number. Empty text, any character other than a hex digit (sign and blanks
// included), or a value beyond 32 bits gives defaultValue; values above 7FFFFFFF come back negative.
std::int32_t HexToInt(const AnsiString& text, std::int32_t defaultValue);

// Each byte as two upper-case digits, in order.
AnsiString BytesToHexText(std::span<const std::uint8_t> bytes);

// Zero-fills buffer, stores the bytes of text in it followed by one zero byte, and returns the number of
// frame bytes (the zero not counted). A pair that is not hexadecimal becomes 0x00. Text with an odd
// number of digits, or too long for the buffer and its terminating zero, raises ERangeError and leaves
// the buffer as it was.
std::size_t HexTextToBytes(const AnsiString& text, std::span<std::uint8_t> buffer);

} // namespace device
