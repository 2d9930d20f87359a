#include "largebuffer.h"

#include "largememory.h"

#include <utility>

LargeBuffer::LargeBuffer(std::size_t bytes)
    : memory(static_cast<char *>(tesselAllocateLarge(bytes))), size(memory ? bytes : 0)
{}

LargeBuffer::~LargeBuffer()
{
    tesselFreeLarge(memory, size);
}

LargeBuffer::LargeBuffer(LargeBuffer &&other) noexcept
    : memory(std::exchange(other.memory, nullptr)), size(std::exchange(other.size, 0))
{}

LargeBuffer &LargeBuffer::operator=(LargeBuffer &&other) noexcept
{
    std::swap(memory, other.memory);
    std::swap(size, other.size);
    return *this;
}
