#include "Engine/Foundation/Buffer.h"

#include <algorithm>
#include <new>
#include <utility>

namespace Lumvek
{

Buffer::Buffer(const Buffer& other)
{
    *this = other;
}

Buffer& Buffer::operator=(const Buffer& other)
{
    if (this == &other)
        return *this;
    size = 0;
    Grow(other.size);
    if (other.size)
        std::memcpy(data.get(), other.data.get(), other.size);
    return *this;
}

Buffer::Buffer(Buffer&& other) noexcept
    : size(std::exchange(other.size, 0)), capacity(std::exchange(other.capacity, 0)), data(std::move(other.data))
{
}

Buffer& Buffer::operator=(Buffer&& other) noexcept
{
    size = std::exchange(other.size, 0);
    capacity = std::exchange(other.capacity, 0);
    data = std::move(other.data);
    return *this;
}

void Buffer::Reserve(uint32_t n)
{
    // Bytes beyond the size may hold what was there before a Clear or a smaller Reserve; a grown
    // block is zero already.
    if (n > size && n <= capacity)
        std::memset(data.get() + size, 0, n - size);
    Grow(n);
}

void Buffer::Grow(uint32_t n)
{
    if (n > capacity)
    {
        // Grow by half the size in use, so appending one byte at a time stays linear overall.
        uint64_t grown = uint64_t(size) + size / 2;
        uint32_t newCapacity = static_cast<uint32_t>(std::min<uint64_t>(std::max<uint64_t>(n, grown), UINT32_MAX));
        std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[newCapacity]());
        if (!block)
            throw OutOfMemory(newCapacity);
        if (size)
            std::memcpy(block.get(), data.get(), size);
        data = std::move(block);
        capacity = newCapacity;
    }
    size = n;
}

void Buffer::Append(const void* bytes, uint32_t count)
{
    if (count == 0)
        return;
    if (count > UINT32_MAX - size)
        throw OutOfMemory(uint64_t(size) + count);
    uint32_t start = size;
    // The bytes are written over at once: no need to zero them first.
    Grow(size + count);
    std::memcpy(data.get() + start, bytes, count);
}

void BufferWriter::WriteBit(bool bit)
{
    if (bitIndex == 7 || buffer.Size() == 0)
    {
        uint8_t zero = 0;
        buffer.Append(&zero, 1);
        bitIndex = 7;
    }
    if (bit)
        buffer.Data()[buffer.Size() - 1] |= static_cast<uint8_t>(1u << bitIndex);
    bitIndex = bitIndex == 0 ? 7 : bitIndex - 1;
}

void BufferWriter::Reverse(uint8_t* bytes, uint32_t count)
{
    std::reverse(bytes, bytes + count);
}

bool BufferReader::ReadBytes(void* out, uint32_t count)
{
    if (count > Remaining())
        return false;
    if (count)
        std::memcpy(out, data + position, count);
    position += count;
    return true;
}

bool BufferReader::ReadString(std::string& text)
{
    uint32_t length = 0;
    if (!Read(length))
        return false;
    // Compared against what is left, so a huge length from a file cannot wrap the bound.
    if (length > Remaining())
    {
        text.clear();
        return false;
    }
    text.assign(reinterpret_cast<const char*>(data + position), length);
    position += length;
    return true;
}

bool BufferReader::Skip(uint32_t count)
{
    if (count > Remaining())
        return false;
    position += count;
    return true;
}

} // namespace Lumvek
