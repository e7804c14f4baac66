#include "platform/serialdevice.h"

#include "platform/serialdevice_os.h"

#include <mutex>
#include <utility>

namespace platform {

namespace {

std::mutex openerLock;
SerialOpener testOpener;

} // namespace

const char* SerialCauseText(SerialCause cause)
{
    switch (cause) {
    case SerialCause::None: return "no error";
    case SerialCause::NoSuchPort: return "no such port";
    case SerialCause::InUse: return "in use";
    case SerialCause::NoPermission: return "no permission";
    case SerialCause::Unplugged: return "device removed";
    case SerialCause::NotSupported: return "not supported by the device";
    case SerialCause::InvalidParameter: return "invalid parameter";
    case SerialCause::IoFailure: return "input/output failure";
    case SerialCause::Cancelled: return "operation cancelled";
    case SerialCause::NoResources: return "not enough system resources";
    }
    return "unknown";
}

// Codes follow the Windows error numbers that callers of the communications calls expect.
std::int32_t SerialCauseCode(SerialCause cause)
{
    switch (cause) {
    case SerialCause::None: return 0;
    case SerialCause::NoSuchPort: return 2;         // ERROR_FILE_NOT_FOUND
    case SerialCause::InUse: return 5;             // ERROR_ACCESS_DENIED, what Windows reports for a port in use
    case SerialCause::NoPermission: return 5;      // ERROR_ACCESS_DENIED
    case SerialCause::Unplugged: return 1167;      // ERROR_DEVICE_NOT_CONNECTED
    case SerialCause::NotSupported: return 1;      // ERROR_INVALID_FUNCTION
    case SerialCause::InvalidParameter: return 87; // ERROR_INVALID_PARAMETER
    case SerialCause::IoFailure: return 1117;      // ERROR_IO_DEVICE
    case SerialCause::Cancelled: return 995;       // ERROR_OPERATION_ABORTED
    case SerialCause::NoResources: return 1450;    // ERROR_NO_SYSTEM_RESOURCES
    }
    return 31; // ERROR_GEN_FAILURE
}

std::unique_ptr<ISerialDevice> OpenSerialDevice(const std::string& name, SerialCause& cause)
{
    SerialOpener opener;
    {
        std::lock_guard lock(openerLock);
        opener = testOpener;
    }
    return opener ? opener(name, cause) : OpenOsSerialDevice(name, cause);
}

void SetSerialOpener(SerialOpener opener)
{
    std::lock_guard lock(openerLock);
    testOpener = std::move(opener);
}

} // namespace platform
