// The calling thread's last-error code, as the operating system keeps it.
#pragma once

#include <cstdint>

std::int32_t GetLastError();
void SetLastError(std::int32_t code);
