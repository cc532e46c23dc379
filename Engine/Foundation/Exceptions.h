#pragma once

#include <cstdint>
#include <stdexcept>

namespace Lumvek
{

// Thrown when a character or element is read at an index outside its container.
class InvalidIndex : public std::out_of_range
{
public:
    InvalidIndex(uint32_t index, uint32_t length)
        : std::out_of_range("invalid index"), index(index), length(length)
    {
    }

    uint32_t index;
    uint32_t length;
};

// Thrown when a buffer cannot grow to the capacity it needs.
class OutOfMemory : public std::bad_alloc
{
public:
    explicit OutOfMemory(uint64_t requested) : requested(requested) {}

    const char* what() const noexcept override { return "out of memory"; }

    uint64_t requested;
};

} // namespace Lumvek
