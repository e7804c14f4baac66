#include "platform/configfolder.h"

namespace platform {

bool EnterConfigFolder(std::string&)
{
    return true;
}

} // namespace platform
