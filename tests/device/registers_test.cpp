#include "device/registers.h"

#include <gtest/gtest.h>

using namespace device;

TEST(EraseMode, ItemsAndRegisterValuesBothWays)
{
    EXPECT_EQ(EraseModeValueText(kEraseItem), "00");
    EXPECT_EQ(EraseModeValueText(kKeepItem), "FF");
    EXPECT_EQ(EraseModeValueText(-1), "");
    EXPECT_EQ(EraseModeValueText(2), "");

    EXPECT_EQ(EraseModeItem(0x00), kEraseItem);
    EXPECT_EQ(EraseModeItem(0xFF), kKeepItem);
    for (std::int32_t other : {0x05, 0x0F, 0x100, -1})
        EXPECT_EQ(EraseModeItem(other), std::nullopt) << other;
}
