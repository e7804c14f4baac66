#include "tools/zentor-sim/frameparser.h"

namespace zentorsim {

namespace {

bool ValidFrameAt(std::span<const std::uint8_t> bytes, std::size_t pos)
{
    return bytes[pos + 1] == kFrameTag && bytes[pos + 5] == FrameChecksum(bytes[pos + 2], bytes[pos + 3], bytes[pos + 4]);
}

} // namespace

std::uint8_t FrameChecksum(std::uint8_t op, std::uint8_t reg, std::uint8_t data)
{
    return static_cast<std::uint8_t>(kFrameTag + op + reg + data);
}

TParsedFrames ParseFrames(std::span<const std::uint8_t> bytes)
{
    TParsedFrames parsed;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (bytes[pos] != kStartByte) {
            ++pos;
        } else if (bytes.size() - pos < kFrameLength) {
            break;
        } else if (ValidFrameAt(bytes, pos)) {
            parsed.Frames.push_back({bytes[pos + 2], bytes[pos + 3], bytes[pos + 4]});
            pos += kFrameLength;
        } else {
            ++pos;
        }
    }
    parsed.Consumed = pos;
    return parsed;
}

} // namespace zentorsim
