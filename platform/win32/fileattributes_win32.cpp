// File attributes as the file system keeps them.
#include "platform/fileattributes.h"

#include "platform/win32/widetext.h"

#include <windows.h>

namespace platform {

bool WriteFileAttributes(const std::string& path, std::uint32_t attributes)
{
    return ::SetFileAttributesW(WideFromUtf8(path).c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) !=
           FALSE;
}

std::optional<std::uint32_t> ReadFileAttributes(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE);
}

} // namespace platform
