#pragma once

#include <malloc.h>

namespace heaptuning {

/**
 * Keeps freed heap memory for reuse instead of handing it back to the system
 * at once. Qt's PDF engine takes and frees two 10 MiB buffers for every page
 * it writes; with the C library's default thresholds each page then maps,
 * faults in and unmaps them again, which nearly doubles the time a long
 * report takes to print. Call once at the start of main().
 */
inline void keepLargeBuffers()
{
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}

} // namespace heaptuning
