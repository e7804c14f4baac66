#include "platform/win32/win32errors.h"

#include "classlib/base/lasterror.h"

namespace platform {

namespace {

thread_local SerialCause lastCause = SerialCause::None;

// The Windows error numbers met here.
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kNotReady = 21;
constexpr std::uint32_t kBadCommand = 22;
constexpr std::uint32_t kGenFailure = 31;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kNotSupported = 50;
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kInvalidName = 123;
constexpr std::uint32_t kFilenameTooLong = 206;
constexpr std::uint32_t kOperationAborted = 995;
constexpr std::uint32_t kInvalidFunction = 1;
constexpr std::uint32_t kIoDevice = 1117;
constexpr std::uint32_t kDeviceNotConnected = 1167;
constexpr std::uint32_t kDeviceRemoved = 1617;
constexpr std::uint32_t kNoSystemResources = 1450;
constexpr std::uint32_t kNotEnoughMemory = 8;

} // namespace

// A pseudo-terminal under Wine answers the modem calls with "not supported"; like a Linux terminal
// without modem lines, that is a refusal of the one call, not a dead device.
SerialCause CauseOfWin32Error(std::uint32_t code)
{
    if (IsWin32RemovalError(code))
        return SerialCause::Unplugged;
    switch (code) {
    case kNotSupported:
    case kInvalidFunction: return SerialCause::NotSupported;
    case kInvalidParameter: return SerialCause::InvalidParameter;
    case kOperationAborted: return SerialCause::Cancelled;
    case kNoSystemResources:
    case kNotEnoughMemory: return SerialCause::NoResources;
    }
    return SerialCause::IoFailure;
}

// Windows answers the open of a port that another program holds with "access denied", so that is the cause
// it names. (Wine gives the same answer for a device node that refuses the user; a port held by another
// program of ours is found by the port's claim before the device is opened, serialdevice_win32.cpp.)
SerialCause CauseOfWin32OpenError(std::uint32_t code)
{
    switch (code) {
    case kFileNotFound:
    case kPathNotFound:
    case kInvalidName:
    case kFilenameTooLong: return SerialCause::NoSuchPort;
    case kAccessDenied:
    case kSharingViolation: return SerialCause::InUse;
    case kNoSystemResources:
    case kNotEnoughMemory: return SerialCause::NoResources;
    }
    return SerialCause::IoFailure;
}

bool IsWin32RemovalError(std::uint32_t code)
{
    switch (code) {
    case kAccessDenied: // what an unplugged USB adapter answers on an open handle
    case kInvalidHandle:
    case kNotReady: // what Wine answers on a pseudo-terminal whose other end closed
    case kBadCommand:
    case kGenFailure:
    case kIoDevice:
    case kDeviceNotConnected:
    case kDeviceRemoved: return true;
    }
    return false;
}

bool FailSerialCall(SerialCause cause)
{
    lastCause = cause;
    SetLastError(SerialCauseCode(cause));
    return false;
}

SerialCause LastSerialCause()
{
    return lastCause;
}

} // namespace platform
