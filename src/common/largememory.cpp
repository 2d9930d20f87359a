#include "largememory.h"

#include <cstdint>
#include <cstdlib>

// Under AddressSanitizer large blocks stay on the heap, where overruns are caught.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSEL_HEAP_ONLY
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || !(defined(__linux__) || defined(_WIN32))
#define TESSEL_HEAP_ONLY
#endif

#ifndef TESSEL_HEAP_ONLY
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif
#endif

namespace {

const std::size_t hugePage = std::size_t(2) << 20;

#ifndef TESSEL_HEAP_ONLY
#ifdef _WIN32

// Large pages need the "Lock pages in memory" privilege, which administrators grant to few
// accounts; the process must also switch it on. Asked once: zero when they cannot be had.
std::size_t largePageSize()
{
    static const std::size_t size = [] {
        const std::size_t minimum = GetLargePageMinimum();
        HANDLE token = nullptr;
        if (minimum == 0 ||
            !OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
            return std::size_t(0);
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        const bool held = LookupPrivilegeValueW(nullptr, L"SeLockMemoryPrivilege",
                                                &privileges.Privileges[0].Luid) &&
                          AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                          GetLastError() == ERROR_SUCCESS; // not ERROR_NOT_ALL_ASSIGNED
        CloseHandle(token);
        return held ? minimum : std::size_t(0);
    }();
    return size;
}

// Large pages where the process may have them (they cannot be paged out, so a request the
// system cannot meet fails at once), otherwise ordinary committed pages.
void *mapFresh(std::size_t bytes)
{
    if (const std::size_t page = largePageSize()) {
        const std::size_t rounded = (bytes + page - 1) / page * page;
        if (void *memory = VirtualAlloc(nullptr, rounded,
                                        MEM_RESERVE | MEM_COMMIT | MEM_LARGE_PAGES, PAGE_READWRITE))
            return memory;
    }
    void *memory = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    // Every page is about to be written: locking the block maps them all in one call, at half
    // the cost of a fault per page, and unlocking leaves them mapped. A lock beyond the
    // process's working-set quota is refused; the pages then come as they are touched.
    if (memory != nullptr && VirtualLock(memory, bytes))
        VirtualUnlock(memory, bytes);
    return memory;
}

void unmap(void *memory, std::size_t)
{
    VirtualFree(memory, 0, MEM_RELEASE);
}

#else

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
    // The pages come as they are first written, by whichever thread writes them: mapping them
    // all ahead in one call (MADV_POPULATE_WRITE) was measured slower, as it takes them one
    // thread at a time before the work can start.
    madvise(memory, length, MADV_HUGEPAGE);
#endif
    return memory;
}

void unmap(void *memory, std::size_t bytes)
{
    munmap(memory, pagesOf(bytes));
}

#endif
#endif

} // namespace

void *tesselAllocateLarge(std::size_t bytes)
{
    if (bytes < hugePage)
        return std::malloc(bytes == 0 ? 1 : bytes);
#ifdef TESSEL_HEAP_ONLY
    return std::malloc(bytes);
#else
    return mapFresh(bytes);
#endif
}

void tesselFreeLarge(void *memory, std::size_t bytes)
{
    if (memory == nullptr)
        return;
#ifndef TESSEL_HEAP_ONLY
    if (bytes >= hugePage) {
        unmap(memory, bytes);
        return;
    }
#endif
    std::free(memory);
}
