#include "device/registers.h"

namespace device {

AnsiString EraseModeValueText(int item)
{
    if (item == kEraseItem)
        return "00";
    if (item == kKeepItem)
        return "FF";
    return {};
}

std::optional<int> EraseModeItem(std::int32_t value)
{
    if (value == kEraseValue)
        return kEraseItem;
    if (value == kKeepValue)
        return kKeepItem;
    return std::nullopt;
}

} // namespace device
