#pragma once

#include "tessel_core_global.h"

#include <cstddef>

// Memory for large columns and buffers. It comes in huge pages where the system offers them: on
// virtual machines every freshly touched 4 KiB page costs a trap, and the columns of one large
// file touch tens of thousands of them. Null when the memory cannot be had; freed with
// tesselFreeLarge.
TESSEL_CORE_EXPORT void *tesselAllocateLarge(std::size_t bytes);
TESSEL_CORE_EXPORT void tesselFreeLarge(void *memory);
