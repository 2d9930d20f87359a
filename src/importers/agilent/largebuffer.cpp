#include "largebuffer.h"

#include "largememory.h"

#include <utility>

LargeBuffer::LargeBuffer(std::size_t bytes) : memory(static_cast<char *>(tesselAllocateLarge(bytes)))
{
}

LargeBuffer::~LargeBuffer()
{
    tesselFreeLarge(memory);
}

LargeBuffer::LargeBuffer(LargeBuffer &&other) noexcept : memory(std::exchange(other.memory, nullptr))
{
}

LargeBuffer &LargeBuffer::operator=(LargeBuffer &&other) noexcept
{
    std::swap(memory, other.memory);
    return *this;
}
