// The request frames of the device protocol as the device sees them: A5 96 op reg data cs, where
// cs = (0x96 + op + reg + data) mod 256.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zentorsim {

constexpr std::uint8_t kStartByte = 0xA5;
constexpr std::uint8_t kFrameTag = 0x96;
constexpr std::size_t kFrameLength = 6;
constexpr std::uint8_t kOpRead = 0x00;
constexpr std::uint8_t kOpWrite = 0x01;
constexpr std::uint8_t kWriteAck = 0x0F;

struct TSimFrame {
    std::uint8_t Op = 0;
    std::uint8_t Reg = 0;
    std::uint8_t Data = 0;
    friend bool operator==(const TSimFrame&, const TSimFrame&) = default;
};

struct TParsedFrames {
    std::vector<TSimFrame> Frames;
    std::size_t Consumed = 0; // bytes done with; the rest may still become a frame
};

std::uint8_t FrameChecksum(std::uint8_t op, std::uint8_t reg, std::uint8_t data);

// The whole frames in bytes, in order. A start byte that does not begin a valid frame (wrong tag or
// checksum) is dropped and the search goes on from the next byte, so the parser finds the next start byte
// even inside a broken frame.
TParsedFrames ParseFrames(std::span<const std::uint8_t> bytes);

} // namespace zentorsim
