// The processor time of the calling thread: what the benchmark times with, so that other programs
// on a shared machine, which take the processor away for a while, add nothing to a figure. The
// caches and the memory bus they share stay shared.
#pragma once

#include <time.h>

namespace bench {

inline double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

}  // namespace bench
