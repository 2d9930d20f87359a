#pragma once

#include <cstddef>

// An uninitialised buffer for the import's large data (the file's bytes, the columns), in the
// same huge-page memory as the host's columns.
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
