#pragma once

#include "tessel_core_global.h"

#include <cstddef>

// Memory for large columns and buffers. It comes in huge pages where the system offers them: on
// virtual machines every freshly touched 4 KiB page costs a trap, and the columns of one large
// file touch tens of thousands of them. Null when the memory cannot be had; freed with
// tesselFreeLarge and the same size. The contents are undefined, as malloc's are.
TESSEL_CORE_EXPORT void *tesselAllocateLarge(std::size_t bytes);
TESSEL_CORE_EXPORT void tesselFreeLarge(void *memory, std::size_t bytes);

// While one lives, a large block freed on this thread is kept for the thread's next large
// allocation, which takes its pages (resized) instead of fresh ones: fresh pages are zeroed by
// the system as they are first touched. An import keeps one for its length, so the file's
// buffer, freed once the table is read, becomes the data store's copy of the columns. The kept
// block is released when the last one on the thread ends.
class TESSEL_CORE_EXPORT LargeMemoryReuse
{
public:
    LargeMemoryReuse();
    ~LargeMemoryReuse();
    LargeMemoryReuse(const LargeMemoryReuse &) = delete;
    LargeMemoryReuse &operator=(const LargeMemoryReuse &) = delete;
};
