#pragma once

#include <cstdint>
#include <cstring>

namespace Net
{

// Little-endian writing into a fixed byte range the caller owns. The first write that would pass
// the end marks the writer failed; later writes do nothing, so a caller checks Ok() once at the end.
class WireWriter
{
public:
    WireWriter(uint8_t* data, int bytes) : data(data), size(bytes > 0 ? bytes : 0) {}

    void WriteUint8(uint8_t value) { WriteInteger(value, 1); }
    void WriteUint16(uint16_t value) { WriteInteger(value, 2); }
    void WriteUint32(uint32_t value) { WriteInteger(value, 4); }
    void WriteUint64(uint64_t value) { WriteInteger(value, 8); }
    void WriteBytes(const uint8_t* bytes, int count)
    {
        if (!Reserve(count))
            return;
        if (count > 0)
            std::memcpy(data + position, bytes, static_cast<size_t>(count));
        position += count;
    }
    // Zeroes the rest of the range: fixed-size formats are padded with zeros.
    void PadWithZeros()
    {
        if (ok && position < size)
            std::memset(data + position, 0, static_cast<size_t>(size - position));
        position = size;
    }

    bool Ok() const { return ok; }
    int Position() const { return position; }

private:
    bool Reserve(int count)
    {
        if (!ok || count < 0 || count > size - position)
        {
            ok = false;
            return false;
        }
        return true;
    }
    void WriteInteger(uint64_t value, int count)
    {
        if (!Reserve(count))
            return;
        for (int i = 0; i < count; ++i)
            data[position + i] = static_cast<uint8_t>(value >> (8 * i));
        position += count;
    }

    uint8_t* data;
    int size;
    int position = 0;
    bool ok = true;
};

// Little-endian reading from bytes the caller owns. A read past the end fails, leaves its output
// untouched and marks the reader failed; later reads fail too.
class WireReader
{
public:
    WireReader(const uint8_t* data, int bytes) : data(data), size(bytes > 0 ? bytes : 0) {}

    bool ReadUint8(uint8_t& value) { return ReadInteger(value); }
    bool ReadUint16(uint16_t& value) { return ReadInteger(value); }
    bool ReadUint32(uint32_t& value) { return ReadInteger(value); }
    bool ReadUint64(uint64_t& value) { return ReadInteger(value); }
    bool ReadBytes(uint8_t* bytes, int count)
    {
        if (!Take(count))
            return false;
        if (count > 0)
            std::memcpy(bytes, data + position - count, static_cast<size_t>(count));
        return true;
    }
    bool Skip(int count) { return Take(count); }

    bool Ok() const { return ok; }
    int Position() const { return position; }
    int Remaining() const { return size - position; }

private:
    bool Take(int count)
    {
        if (!ok || count < 0 || count > size - position)
        {
            ok = false;
            return false;
        }
        position += count;
        return true;
    }
    template <class T> bool ReadInteger(T& value)
    {
        if (!Take(static_cast<int>(sizeof(T))))
            return false;
        uint64_t result = 0;
        for (int i = 0; i < static_cast<int>(sizeof(T)); ++i)
            result |= static_cast<uint64_t>(data[position - static_cast<int>(sizeof(T)) + i]) << (8 * i);
        value = static_cast<T>(result);
        return true;
    }

    const uint8_t* data;
    int size;
    int position = 0;
    bool ok = true;
};

} // namespace Net
