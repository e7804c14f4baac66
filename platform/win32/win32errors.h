// Windows error codes of the communications calls, as the serial device's causes. Kept apart from
// <windows.h>, whose GetLastError and SetLastError would clash with the class library's.
#pragma once

#include "platform/serialdevice.h"

#include <cstdint>

namespace platform {

// The cause of a failed call on an open device.
SerialCause CauseOfWin32Error(std::uint32_t code);
// The cause of a failed CreateFile of "\\.\COM<n>".
SerialCause CauseOfWin32OpenError(std::uint32_t code);
// Whether the code means that the device went away (an unplugged adapter, a closed pseudo-terminal).
bool IsWin32RemovalError(std::uint32_t code);

// Records the cause for LastSerialCause() and the last-error code, and returns false.
bool FailSerialCall(SerialCause cause);
SerialCause LastSerialCause();

} // namespace platform
