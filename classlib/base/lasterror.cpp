#include "classlib/base/lasterror.h"

namespace {
thread_local std::int32_t lastError = 0;
}

std::int32_t GetLastError()
{
    return lastError;
}

void SetLastError(std::int32_t code)
{
    lastError = code;
}
