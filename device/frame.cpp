#include "device/frame.h"

#include "device/hextext.h"

#include <cstdint>

namespace device {

AnsiString FrameChecksum(const AnsiString& hexText)
{
    const std::string& digits = hexText.Bytes();
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        sum += static_cast<std::uint32_t>(HexToInt(AnsiString(digits.substr(i, 2)), 0));
    const std::uint8_t low = static_cast<std::uint8_t>(sum & 0xFF);
    return BytesToHexText(std::span(&low, 1));
}

AnsiString BuildRequest(const AnsiString& op, const AnsiString& reg, const AnsiString& data)
{
    const AnsiString body = kFrameTag + op + reg + data;
    return kStartByte + body + FrameChecksum(body);
}

AnsiString BuildReadRequest(const AnsiString& reg)
{
    return BuildRequest(kOpRead, reg, kReadData);
}

AnsiString BuildWriteRequest(const AnsiString& reg, const AnsiString& data)
{
    return BuildRequest(kOpWrite, reg, data);
}

} // namespace device
