#include "platform/files.h"

namespace platform {

const char* FileCauseText(FileCause cause)
{
    switch (cause) {
    case FileCause::None: return "no error";
    case FileCause::NotFound: return "no such file";
    case FileCause::NotAFile: return "not a regular file";
    case FileCause::TooLarge: return "file too large";
    case FileCause::NoPermission: return "no permission";
    case FileCause::IoError: return "input or output error";
    }
    return "unknown error";
}

} // namespace platform
