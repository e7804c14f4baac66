// What sysfs tells about a tty without opening its node: USB or built-in, the USB adapter's identity, the
// driver, and the node's stable link under /dev/serial/by-id/.
#pragma once

#include "platform/portmap.h"

#include <string>

namespace platform {

// The tty name (e.g. "ttyUSB0"), its node under devRoot, and the roots ("/dev", "/sys"). usbSeries: the node
// belongs to a series of USB adapters, whatever sysfs says.
TPortDetails ReadTtyDetails(const std::string& name, const std::string& node, const std::string& devRoot,
                            const std::string& sysRoot, bool usbSeries);

} // namespace platform
