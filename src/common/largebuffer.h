#pragma once

#include <cstddef>

// An uninitialised buffer for large data (an export's bytes, its columns, the blocks of a CSV
// written out), in the large memory of the library or program that compiles it in.
class LargeBuffer
{
public:
    LargeBuffer() = default;
    explicit LargeBuffer(std::size_t bytes);
    ~LargeBuffer();
    LargeBuffer(LargeBuffer &&other) noexcept;
    LargeBuffer &operator=(LargeBuffer &&other) noexcept;
    LargeBuffer(const LargeBuffer &) = delete;
    LargeBuffer &operator=(const LargeBuffer &) = delete;

    char *data() const { return memory; }
    // False when the memory could not be had.
    explicit operator bool() const { return memory != nullptr; }

private:
    char *memory = nullptr;
    std::size_t size = 0;
};
