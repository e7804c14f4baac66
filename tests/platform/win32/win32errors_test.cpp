#include "platform/win32/win32errors.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Win32Errors, CodesOfAnOpenDeviceBecomeCauses)
{
    const struct {
        std::uint32_t code;
        SerialCause cause;
    } cases[] = {
        {50, SerialCause::NotSupported}, // modem calls on a pseudo-terminal under Wine
        {1, SerialCause::NotSupported},
        {87, SerialCause::InvalidParameter},
        {995, SerialCause::Cancelled},
        {1450, SerialCause::NoResources},
        {1167, SerialCause::Unplugged},
        {21, SerialCause::Unplugged}, // a pseudo-terminal whose other end closed, under Wine
        {22, SerialCause::Unplugged},
        {5, SerialCause::Unplugged}, // an unplugged USB adapter's answer on an open handle
        {1117, SerialCause::Unplugged},
        {121, SerialCause::IoFailure},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CauseOfWin32Error(c.code), c.cause) << c.code;
        EXPECT_EQ(IsWin32RemovalError(c.code), c.cause == SerialCause::Unplugged) << c.code;
    }
}

TEST(Win32Errors, CodesOfAFailedOpenBecomeCauses)
{
    const struct {
        std::uint32_t code;
        SerialCause cause;
    } cases[] = {
        {2, SerialCause::NoSuchPort}, {3, SerialCause::NoSuchPort},  {123, SerialCause::NoSuchPort},
        {206, SerialCause::NoSuchPort},
        {5, SerialCause::InUse}, // Windows' answer for a port another program holds
        {32, SerialCause::InUse},     {1450, SerialCause::NoResources},
        {31, SerialCause::IoFailure},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CauseOfWin32OpenError(c.code), c.cause) << c.code;
}
