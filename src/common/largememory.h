#pragma once

#include <cstddef>

// Memory for large columns and buffers, private to each library that compiles this file in (the
// core's data store, the importer plug-in): no module asks another for it, so a plug-in needs
// nothing from the host beyond the host's own interface.
//
// It comes in huge (large) pages where the system offers them: on virtual machines every freshly
// touched 4 KiB page costs a trap, and the columns of one large file touch tens of thousands of
// them. Where only small pages can be had (Windows without the large-page privilege) a block's
// pages are mapped in one call. Freed blocks of moderate size are kept for later requests. Null
// when the memory cannot be had; freed with tesselFreeLarge and the same size. The contents are
// undefined, as malloc's are.
// Hidden from the dynamic symbol table where symbols are exported by default; a Windows DLL
// exports only what it marks.
#if defined(__GNUC__) && !defined(_WIN32)
#define TESSEL_LARGE_MEMORY_API __attribute__((visibility("hidden")))
#else
#define TESSEL_LARGE_MEMORY_API
#endif
TESSEL_LARGE_MEMORY_API void *tesselAllocateLarge(std::size_t bytes);
TESSEL_LARGE_MEMORY_API void tesselFreeLarge(void *memory, std::size_t bytes);
// Whether freed blocks are kept for later requests: not under AddressSanitizer, where every block
// comes from the heap and goes back to it at once, so that a use after the free is caught.
TESSEL_LARGE_MEMORY_API bool tesselKeepsFreedBlocks();
