#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace Net
{

// Bits a ranged integer takes on the wire: 0 when min = max, else floor(log2(max - min)) + 1.
constexpr int bits_required(int64_t min, int64_t max)
{
    if (max <= min)
        return 0;
    return 64 - std::countl_zero(static_cast<uint64_t>(max) - static_cast<uint64_t>(min));
}

// Packs bits into a caller's buffer: 32-bit words filled from their lowest bit up and stored
// little-endian, so byte k of the stream is byte k of the buffer on every machine. Callers check
// WouldOverflow first; the writer itself never touches a byte past the buffer.
class BitWriter
{
public:
    BitWriter(uint8_t* data, int bytes);

    bool WouldOverflow(int bits) const { return bits < 0 || bits > numBits - bitsWritten; }
    void WriteBits(uint32_t value, int bits);
    int GetAlignBits() const { return (8 - bitsWritten % 8) % 8; }
    void WriteAlign() { WriteBits(0, GetAlignBits()); }
    // The writer must sit on a byte boundary.
    void WriteBytes(const uint8_t* bytes, int count);
    // Stores the last, partly filled word; writing may go on afterwards.
    void Flush();

    int GetBitsWritten() const { return bitsWritten; }
    int GetBytesWritten() const { return (bitsWritten + 7) / 8; }
    int GetBitsAvailable() const { return numBits - bitsWritten; }

private:
    void StoreWord(uint32_t word);

    uint8_t* data;
    int numBytes;
    int numBits;
    int bitsWritten = 0;
    uint64_t scratch = 0;
    int scratchBits = 0;
    int wordIndex = 0;
};

// Unpacks what BitWriter packed. The data may end inside a word; missing bytes read as zero and
// WouldReadPastEnd tells callers when they would reach them.
class BitReader
{
public:
    BitReader(const uint8_t* data, int bytes);

    bool WouldReadPastEnd(int bits) const { return bits < 0 || bits > numBits - bitsRead; }
    uint32_t ReadBits(int bits);
    int GetAlignBits() const { return (8 - bitsRead % 8) % 8; }
    // False when the padding holds a set bit.
    bool ReadAlign() { return ReadBits(GetAlignBits()) == 0; }
    // The reader must sit on a byte boundary.
    void ReadBytes(uint8_t* bytes, int count);

    int GetBitsRead() const { return bitsRead; }
    int GetBitsRemaining() const { return numBits - bitsRead; }

private:
    uint32_t LoadWord() const;

    const uint8_t* data;
    int numBytes;
    int numBits;
    int bitsRead = 0;
    uint64_t scratch = 0;
    int scratchBits = 0;
    int wordIndex = 0;
};

// The three streams share one set of operations with the same signatures, so one templated
// Serialize describes a message for measuring, writing and reading. Writing and measuring read
// the referenced values; reading fills them. Every operation returns false on failure: a write
// that would not fit or a value outside its declared range, a read past the end of the data or a
// value outside its range.
class WriteStream
{
public:
    static constexpr bool IsWriting = true;
    static constexpr bool IsReading = false;
    static constexpr bool IsMeasuring = false;

    WriteStream(uint8_t* buffer, int bytes) : writer(buffer, bytes) {}

    bool SerializeInteger(int64_t& value, int64_t min, int64_t max);
    // 1 to 32 bits; the value must fit in them.
    bool SerializeBits(uint32_t& value, int bits);
    // Aligns to a byte first.
    bool SerializeBytes(uint8_t* data, int bytes);
    bool SerializeAlign();
    int GetAlignBits() const { return writer.GetAlignBits(); }

    // Call once writing is done, before reading GetData.
    void Flush() { writer.Flush(); }
    int GetBitsProcessed() const { return writer.GetBitsWritten(); }
    int GetBytesProcessed() const { return writer.GetBytesWritten(); }
    int GetBitsRemaining() const { return writer.GetBitsAvailable(); }

private:
    BitWriter writer;
};

class ReadStream
{
public:
    static constexpr bool IsWriting = false;
    static constexpr bool IsReading = true;
    static constexpr bool IsMeasuring = false;

    ReadStream(const uint8_t* data, int bytes) : reader(data, bytes) {}

    bool SerializeInteger(int64_t& value, int64_t min, int64_t max);
    bool SerializeBits(uint32_t& value, int bits);
    // Fails when the padding before the bytes holds a set bit.
    bool SerializeBytes(uint8_t* data, int bytes);
    bool SerializeAlign();
    int GetAlignBits() const { return reader.GetAlignBits(); }

    int GetBitsProcessed() const { return reader.GetBitsRead(); }
    int GetBytesProcessed() const { return (reader.GetBitsRead() + 7) / 8; }
    int GetBitsRemaining() const { return reader.GetBitsRemaining(); }

private:
    BitReader reader;
};

// Adds up the bits a WriteStream would write, failing where it would fail for a bad value. It does
// not know where in a packet the data will start, so alignment counts as the worst case, 7 bits.
class MeasureStream
{
public:
    static constexpr bool IsWriting = true;
    static constexpr bool IsReading = false;
    static constexpr bool IsMeasuring = true;

    bool SerializeInteger(int64_t& value, int64_t min, int64_t max);
    bool SerializeBits(uint32_t& value, int bits);
    bool SerializeBytes(uint8_t* data, int bytes);
    bool SerializeAlign();
    int GetAlignBits() const { return 7; }

    int GetBitsProcessed() const { return bitsMeasured; }
    int GetBytesProcessed() const { return (bitsMeasured + 7) / 8; }

private:
    int bitsMeasured = 0;
};

// The typed helpers behind the serialize_* macros.

template <class Stream, class T> bool SerializeIntValue(Stream& stream, T& value, int64_t min, int64_t max)
{
    int64_t wide = 0;
    if constexpr (Stream::IsWriting)
        wide = static_cast<int64_t>(value);
    if (!stream.SerializeInteger(wide, min, max))
        return false;
    if constexpr (Stream::IsReading)
        value = static_cast<T>(wide);
    return true;
}

// 1 to 64 bits; above 32 the low half goes first, then the rest. Signed values travel as their
// two's complement bit pattern.
template <class Stream, class T> bool SerializeBitsValue(Stream& stream, T& value, int bits)
{
    static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>, "serialize_bits takes an integer");
    if (bits < 1 || bits > 64 || bits > int(sizeof(T) * 8))
        return false;
    uint64_t wide = 0;
    if constexpr (Stream::IsWriting)
    {
        wide = static_cast<uint64_t>(static_cast<std::make_unsigned_t<T>>(value));
        if (bits < 64 && (wide >> bits) != 0)
            return false;
    }
    uint32_t low = static_cast<uint32_t>(wide);
    uint32_t high = static_cast<uint32_t>(wide >> 32);
    if (!stream.SerializeBits(low, bits < 32 ? bits : 32))
        return false;
    if (bits > 32 && !stream.SerializeBits(high, bits - 32))
        return false;
    if constexpr (Stream::IsReading)
        value = static_cast<T>((uint64_t(bits > 32 ? high : 0) << 32) | low);
    return true;
}

template <class Stream> bool SerializeBoolValue(Stream& stream, bool& value)
{
    uint32_t bit = value ? 1 : 0;
    if (!stream.SerializeBits(bit, 1))
        return false;
    if constexpr (Stream::IsReading)
        value = bit != 0;
    return true;
}

template <class Stream> bool SerializeFloatValue(Stream& stream, float& value)
{
    uint32_t bits = std::bit_cast<uint32_t>(value);
    if (!stream.SerializeBits(bits, 32))
        return false;
    if constexpr (Stream::IsReading)
        value = std::bit_cast<float>(bits);
    return true;
}

template <class Stream> bool SerializeUint32Value(Stream& stream, uint32_t& value)
{
    return stream.SerializeBits(value, 32);
}

template <class Stream> bool SerializeUint64Value(Stream& stream, uint64_t& value)
{
    return SerializeBitsValue(stream, value, 64);
}

// A byte count in [0, bufferSize - 1], then the characters; the reader terminates the text and
// refuses one that holds a zero byte.
template <class Stream> bool SerializeStringValue(Stream& stream, char* string, int bufferSize)
{
    if (bufferSize < 1)
        return false;
    int64_t length = 0;
    if constexpr (Stream::IsWriting)
    {
        length = static_cast<int64_t>(strnlen(string, static_cast<size_t>(bufferSize)));
        if (length >= bufferSize)
            return false;
    }
    if (!stream.SerializeInteger(length, 0, bufferSize - 1))
        return false;
    if (!stream.SerializeBytes(reinterpret_cast<uint8_t*>(string), static_cast<int>(length)))
        return false;
    if constexpr (Stream::IsReading)
    {
        if (std::memchr(string, 0, static_cast<size_t>(length)))
            return false;
        string[length] = 0;
    }
    return true;
}

} // namespace Net

// Used inside a bool Serialize(Stream&): each returns false from it when the stream fails.
#define NET_SERIALIZE_OR_FAIL(expression)                                                                              \
    do                                                                                                                 \
    {                                                                                                                  \
        if (!(expression))                                                                                             \
            return false;                                                                                              \
    } while (0)

#define serialize_int(stream, value, min, max)                                                                         \
    NET_SERIALIZE_OR_FAIL(::Net::SerializeIntValue((stream), (value), (min), (max)))
#define serialize_bits(stream, value, bits) NET_SERIALIZE_OR_FAIL(::Net::SerializeBitsValue((stream), (value), (bits)))
#define serialize_bool(stream, value) NET_SERIALIZE_OR_FAIL(::Net::SerializeBoolValue((stream), (value)))
#define serialize_float(stream, value) NET_SERIALIZE_OR_FAIL(::Net::SerializeFloatValue((stream), (value)))
#define serialize_uint32(stream, value) NET_SERIALIZE_OR_FAIL(::Net::SerializeUint32Value((stream), (value)))
#define serialize_uint64(stream, value) NET_SERIALIZE_OR_FAIL(::Net::SerializeUint64Value((stream), (value)))
#define serialize_bytes(stream, data, bytes)                                                                           \
    NET_SERIALIZE_OR_FAIL((stream).SerializeBytes(reinterpret_cast<uint8_t*>(data), (bytes)))
#define serialize_string(stream, string, bufferSize)                                                                   \
    NET_SERIALIZE_OR_FAIL(::Net::SerializeStringValue((stream), (string), (bufferSize)))
#define serialize_align(stream) NET_SERIALIZE_OR_FAIL((stream).SerializeAlign())
