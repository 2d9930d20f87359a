#include "largememory.h"

#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>

// Under AddressSanitizer large blocks stay on the heap, where overruns are caught.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSEL_HEAP_ONLY
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || !defined(__linux__)
#define TESSEL_HEAP_ONLY
#endif

namespace {

const std::size_t hugePage = std::size_t(2) << 20;

#ifndef TESSEL_HEAP_ONLY
std::size_t pagesOf(std::size_t bytes)
{
    return (bytes + 4095) / 4096 * 4096;
}

struct SpareBlock
{
    void *memory = nullptr;
    std::size_t bytes = 0;
};

thread_local SpareBlock spare;
thread_local int reuseScopes = 0;

// A mapping that starts on a huge page boundary, so that all of it but the tail short of a whole
// huge page can have huge pages.
void *mapFresh(std::size_t bytes)
{
    const std::size_t length = pagesOf(bytes);
    void *mapped = mmap(nullptr, length + hugePage, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    const auto raw = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t start = (raw + hugePage - 1) / hugePage * hugePage;
    if (start > raw)
        munmap(mapped, start - raw);
    const std::uintptr_t end = raw + length + hugePage;
    if (end > start + length)
        munmap(reinterpret_cast<void *>(start + length), end - (start + length));
    auto *memory = reinterpret_cast<void *>(start);
#ifdef MADV_HUGEPAGE
    madvise(memory, length, MADV_HUGEPAGE);
#endif
    return memory;
}

void releaseSpare()
{
    if (spare.memory != nullptr)
        munmap(spare.memory, pagesOf(spare.bytes));
    spare = SpareBlock();
}
#endif

} // namespace

void *tesselAllocateLarge(std::size_t bytes)
{
    if (bytes < hugePage)
        return std::malloc(bytes == 0 ? 1 : bytes);
#ifdef TESSEL_HEAP_ONLY
    void *memory = nullptr;
    return posix_memalign(&memory, hugePage, bytes) == 0 ? memory : nullptr;
#else
    if (spare.memory != nullptr) {
        void *resized = mremap(spare.memory, pagesOf(spare.bytes), pagesOf(bytes), MREMAP_MAYMOVE);
        if (resized != MAP_FAILED) {
            spare = SpareBlock();
            return resized;
        }
        releaseSpare();
    }
    return mapFresh(bytes);
#endif
}

void tesselFreeLarge(void *memory, std::size_t bytes)
{
    if (memory == nullptr)
        return;
#ifdef TESSEL_HEAP_ONLY
    std::free(memory);
#else
    if (bytes < hugePage) {
        std::free(memory);
    } else if (reuseScopes > 0 && spare.memory == nullptr) {
        spare = SpareBlock{memory, bytes};
    } else {
        munmap(memory, pagesOf(bytes));
    }
#endif
}

LargeMemoryReuse::LargeMemoryReuse()
{
#ifndef TESSEL_HEAP_ONLY
    ++reuseScopes;
#endif
}

LargeMemoryReuse::~LargeMemoryReuse()
{
#ifndef TESSEL_HEAP_ONLY
    if (--reuseScopes == 0)
        releaseSpare();
#endif
}
