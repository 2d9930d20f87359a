#include "largememory.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>

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
#include <cstdio>
#include <cstring>

#include <sys/mman.h>
#include <sys/prctl.h>
#endif
#endif

namespace {

#ifndef TESSEL_HEAP_ONLY
const std::size_t hugePage = std::size_t(2) << 20;

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

// Whether the process can have transparent huge pages: not when the system has them switched off
// or the process was started without them (PR_SET_THP_DISABLE, inherited by its children).
// Asked once.
bool hugePagesOffered()
{
    static const bool offered = [] {
        if (prctl(PR_GET_THP_DISABLE, 0, 0, 0, 0) == 1)
            return false;
        std::FILE *setting = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
        if (setting == nullptr)
            return false;
        char text[128] = {};
        const std::size_t length = std::fread(text, 1, sizeof text - 1, setting);
        std::fclose(setting);
        return length > 0 && std::strstr(text, "[never]") == nullptr;
    }();
    return offered;
}

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
    // Huge pages come as they are first written, by whichever thread writes them: mapping them
    // all ahead in one call was measured slower, as it takes them one thread at a time before the
    // work can start. Small pages cost a fault each; there, as on Windows, one call that maps
    // them all costs half as much.
    madvise(memory, length, MADV_HUGEPAGE);
    if (!hugePagesOffered())
        madvise(memory, length, MADV_POPULATE_WRITE);
    return memory;
}

void unmap(void *memory, std::size_t bytes)
{
    munmap(memory, pagesOf(bytes));
}

#endif

// Blocks from this size on begin with a header holding their capacity, header included, so that
// a freed block can serve any later request it is large enough for. The header keeps the
// block's alignment.
const std::size_t keepFrom = std::size_t(256) << 10;
const std::size_t headerBytes = 64;
// At most this many bytes are kept, in all.
const std::size_t keepTotal = std::size_t(16) << 20;

std::size_t capacityOf(const void *block)
{
    return *static_cast<const std::size_t *>(block);
}

void *allocateBlock(std::size_t capacity)
{
    void *block = capacity < hugePage ? std::malloc(capacity) : mapFresh(capacity);
    if (block != nullptr)
        *static_cast<std::size_t *>(block) = capacity;
    return block;
}

void releaseBlock(void *block)
{
    const std::size_t capacity = capacityOf(block);
    if (capacity < hugePage)
        std::free(block);
    else
        unmap(block, capacity);
}

// Freed blocks kept for the next requests: import after import asks for blocks of similar sizes
// (a file's bytes, its columns, the store's copy). Windows' heap gives blocks of this size back
// to the system, and each page of a fresh block costs a fault when first written (about 10 µs
// on a virtual machine): a batch of small exports spent a third of its time there under Wine.
// Bounded, so that little is held between imports.
class KeptBlocks
{
public:
    // The smallest kept block of at least capacity bytes; null if none.
    void *take(std::size_t capacity)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        void **best = nullptr;
        for (void *&slot : slots) {
            if (slot != nullptr && capacityOf(slot) >= capacity &&
                (best == nullptr || capacityOf(slot) < capacityOf(*best)))
                best = &slot;
        }
        if (best == nullptr)
            return nullptr;
        void *block = *best;
        *best = nullptr;
        total -= capacityOf(block);
        return block;
    }

    // Keeps a freed block unless it is too large, making room by giving the smallest kept
    // blocks back to the system; false when it is not kept.
    bool keep(void *block)
    {
        const std::size_t capacity = capacityOf(block);
        if (capacity > keepTotal)
            return false;
        const std::lock_guard<std::mutex> lock(mutex);
        for (;;) {
            void **empty = nullptr;
            void **smallest = nullptr;
            for (void *&slot : slots) {
                if (slot == nullptr)
                    empty = &slot;
                else if (smallest == nullptr || capacityOf(slot) < capacityOf(*smallest))
                    smallest = &slot;
            }
            if (empty != nullptr && total + capacity <= keepTotal) {
                *empty = block;
                total += capacity;
                return true;
            }
            total -= capacityOf(*smallest);
            releaseBlock(*smallest);
            *smallest = nullptr;
        }
    }

private:
    std::mutex mutex;
    void *slots[4] = {};
    std::size_t total = 0;
};

// Never destroyed: the columns of objects destroyed at exit, after it would be, are freed here.
KeptBlocks &keptBlocks()
{
    static KeptBlocks *const kept = new KeptBlocks;
    return *kept;
}

#endif

} // namespace

void *tesselAllocateLarge(std::size_t bytes)
{
    // No system gives half the address space, and a block's header must not wrap around.
    if (bytes > SIZE_MAX / 2)
        return nullptr;
#ifndef TESSEL_HEAP_ONLY
    if (bytes >= keepFrom) {
        const std::size_t capacity = bytes + headerBytes;
        void *block = keptBlocks().take(capacity);
        if (block == nullptr)
            block = allocateBlock(capacity);
        return block != nullptr ? static_cast<char *>(block) + headerBytes : nullptr;
    }
#endif
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void tesselFreeLarge(void *memory, std::size_t bytes)
{
    if (memory == nullptr)
        return;
#ifdef TESSEL_HEAP_ONLY
    static_cast<void>(bytes);
#else
    if (bytes >= keepFrom) {
        void *block = static_cast<char *>(memory) - headerBytes;
        if (!keptBlocks().keep(block))
            releaseBlock(block);
        return;
    }
#endif
    std::free(memory);
}

bool tesselKeepsFreedBlocks()
{
#ifdef TESSEL_HEAP_ONLY
    return false;
#else
    return true;
#endif
}
