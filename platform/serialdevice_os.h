// The operating system's own serial device, implemented once per platform folder.
#pragma once

#include "platform/serialdevice.h"

namespace platform {

std::unique_ptr<ISerialDevice> OpenOsSerialDevice(const std::string& name, SerialCause& cause);

} // namespace platform
