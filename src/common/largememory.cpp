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
#ifdef MADV_POPULATE_WRITE
    // Every page is about to be written: one call maps them all. Older kernels refuse; the
    // pages then come as they are touched.
    madvise(memory, length, MADV_POPULATE_WRITE);
#endif
    return memory;
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
    if (bytes < hugePage)
        std::free(memory);
    else
        munmap(memory, pagesOf(bytes));
#endif
}
