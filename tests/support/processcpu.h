// CPU time the whole process has used, for checks and benchmarks of idle and failure behaviour.
#pragma once

#include <time.h>

inline double ProcessCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}
