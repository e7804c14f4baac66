#include "platform/settingsfolder.h"

#include "platform/files.h"

namespace platform {

std::string SettingsFolder(const std::string&)
{
    return CurrentDirectory();
}

} // namespace platform
