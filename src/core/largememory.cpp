#include "largememory.h"

#include <cstdlib>

#include <sys/mman.h>

void *tesselAllocateLarge(std::size_t bytes)
{
    const std::size_t hugePage = std::size_t(2) << 20;
    if (bytes < hugePage)
        return std::malloc(bytes == 0 ? 1 : bytes);
    void *memory = nullptr;
    if (posix_memalign(&memory, hugePage, bytes) != 0)
        return nullptr;
#ifdef MADV_HUGEPAGE
    // The tail short of a whole huge page keeps small pages, so no memory is wasted.
    madvise(memory, (bytes + 4095) / 4096 * 4096, MADV_HUGEPAGE);
#endif
    return memory;
}

void tesselFreeLarge(void *memory)
{
    std::free(memory);
}
