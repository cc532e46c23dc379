#pragma once

#include "Engine/Foundation/StringView.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

namespace Lumvek
{

// The engine's growable byte array. Owns its block; copies are deep.
class Buffer
{
public:
    Buffer() = default;
    explicit Buffer(uint32_t size) { Reserve(size); }
    Buffer(const Buffer& other);
    Buffer& operator=(const Buffer& other);
    Buffer(Buffer&& other) noexcept;
    Buffer& operator=(Buffer&& other) noexcept;

    // Sets the size to n, growing the block first when n exceeds the capacity; the bytes it adds are
    // zero, also where a Clear or a smaller size left old bytes in the capacity. A smaller n only lowers
    // the size.
    void Reserve(uint32_t n);
    void Append(StringView text) { Append(text.data, text.length); }
    void Append(const void* bytes, uint32_t count);
    void Clear() { size = 0; }

    uint8_t* Data() { return data.get(); }
    const uint8_t* Data() const { return data.get(); }
    uint32_t Size() const { return size; }
    uint32_t Capacity() const { return capacity; }
    StringView View() const
    {
        return size ? StringView(reinterpret_cast<const char*>(data.get()), size) : StringView();
    }
    std::string ToString() const { return View().ToString(); }

private:
    // Reserve without zeroing the bytes it adds inside the capacity.
    void Grow(uint32_t n);

    uint32_t size = 0;
    uint32_t capacity = 0;
    std::unique_ptr<uint8_t[]> data;
};

// Byte order flag of writers and readers: 1 keeps the bytes as they lie in memory,
// anything else reverses them.
constexpr int32_t MemoryOrder = 1;
constexpr int32_t ReversedOrder = 0;

// Appends values to an owned buffer in a chosen byte order, bit by bit where asked.
class BufferWriter
{
public:
    BufferWriter() = default;
    explicit BufferWriter(int32_t byteOrder) : byteOrder(byteOrder) {}

    template <class T>
    requires std::is_arithmetic_v<T> || std::is_enum_v<T>
    void Write(T value)
    {
        uint8_t bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        if (byteOrder != MemoryOrder)
            Reverse(bytes, sizeof(T));
        buffer.Append(bytes, sizeof(T));
    }

    void WriteBytes(const void* bytes, uint32_t count) { buffer.Append(bytes, count); }
    void WriteText(StringView text) { buffer.Append(text); }
    // A 4-byte length followed by the bytes, as BufferReader::ReadString reads it.
    void WriteString(StringView text)
    {
        Write<uint32_t>(text.length);
        buffer.Append(text);
    }

    // Bits fill the last byte from its most significant bit down.
    void WriteBit(bool bit);
    // Closes a partly filled byte: the next bit starts a new one.
    void FinishByte() { bitIndex = 7; }

    StringView GetView() const { return buffer.View(); }
    std::string ToString() const { return buffer.ToString(); }
    void Clear()
    {
        buffer.Clear();
        bitIndex = 7;
    }

    int32_t byteOrder = MemoryOrder;
    uint32_t bitIndex = 7;
    Buffer buffer;

private:
    static void Reverse(uint8_t* bytes, uint32_t count);
};

// Bounds-checked reading of values from bytes it does not own. A failed read leaves the output
// and the position as they were.
class BufferReader
{
public:
    BufferReader() = default;
    BufferReader(const void* data, uint32_t size, int32_t byteOrder = MemoryOrder)
        : data(static_cast<const uint8_t*>(data)), size(size), byteOrder(byteOrder)
    {
    }
    explicit BufferReader(const Buffer& buffer, int32_t byteOrder = MemoryOrder)
        : BufferReader(buffer.Data(), buffer.Size(), byteOrder)
    {
    }

    template <class T>
    requires std::is_arithmetic_v<T> || std::is_enum_v<T>
    bool Read(T& value)
    {
        if (Remaining() < sizeof(T))
            return false;
        uint8_t bytes[sizeof(T)];
        std::memcpy(bytes, data + position, sizeof(T));
        if (byteOrder != MemoryOrder)
            for (uint32_t i = 0; i < sizeof(T) / 2; ++i)
                std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
        std::memcpy(&value, bytes, sizeof(T));
        position += sizeof(T);
        return true;
    }

    // Copies count bytes; false (nothing read) when fewer remain.
    bool ReadBytes(void* out, uint32_t count);
    // A 4-byte length, then that many bytes. True only when the whole string was there; a length
    // beyond the data leaves the string empty and the position just after the length word.
    bool ReadString(std::string& text);
    bool Skip(uint32_t count);

    uint32_t Remaining() const { return size - position; }
    bool AtEnd() const { return position >= size; }

    const uint8_t* data = nullptr;
    uint32_t size = 0;
    int32_t byteOrder = MemoryOrder;
    uint32_t position = 0;
};

} // namespace Lumvek
