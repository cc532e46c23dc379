#include "Net/Stream.h"

#include <algorithm>

namespace Net
{

BitWriter::BitWriter(uint8_t* data, int bytes)
    : data(data), numBytes(data && bytes > 0 ? bytes : 0), numBits(numBytes * 8)
{
}

void BitWriter::StoreWord(uint32_t word)
{
    int offset = wordIndex * 4;
    int count = std::min(4, numBytes - offset);
    for (int i = 0; i < count; ++i)
        data[offset + i] = static_cast<uint8_t>(word >> (8 * i));
}

void BitWriter::WriteBits(uint32_t value, int bits)
{
    if (bits <= 0 || WouldOverflow(bits))
        return;
    if (bits < 32)
        value &= (uint32_t(1) << bits) - 1;
    scratch |= uint64_t(value) << scratchBits;
    scratchBits += bits;
    bitsWritten += bits;
    if (scratchBits >= 32)
    {
        StoreWord(static_cast<uint32_t>(scratch));
        ++wordIndex;
        scratch >>= 32;
        scratchBits -= 32;
    }
}

void BitWriter::WriteBytes(const uint8_t* bytes, int count)
{
    if (count <= 0 || GetAlignBits() != 0 || count > GetBitsAvailable() / 8)
        return;
    int index = 0;
    while (index < count && scratchBits != 0)
        WriteBits(bytes[index++], 8);
    // On a word boundary the stream's bytes are the buffer's bytes, so whole words copy directly.
    int words = (count - index) / 4;
    if (words > 0)
    {
        std::memcpy(data + wordIndex * 4, bytes + index, static_cast<size_t>(words) * 4);
        wordIndex += words;
        bitsWritten += words * 32;
        index += words * 4;
    }
    while (index < count)
        WriteBits(bytes[index++], 8);
}

void BitWriter::Flush()
{
    if (scratchBits > 0)
        StoreWord(static_cast<uint32_t>(scratch));
}

BitReader::BitReader(const uint8_t* data, int bytes)
    : data(data), numBytes(data && bytes > 0 ? bytes : 0), numBits(numBytes * 8)
{
}

uint32_t BitReader::LoadWord() const
{
    int offset = wordIndex * 4;
    int count = std::clamp(numBytes - offset, 0, 4);
    uint32_t word = 0;
    for (int i = 0; i < count; ++i)
        word |= uint32_t(data[offset + i]) << (8 * i);
    return word;
}

uint32_t BitReader::ReadBits(int bits)
{
    if (bits <= 0 || WouldReadPastEnd(bits))
        return 0;
    if (scratchBits < bits)
    {
        scratch |= uint64_t(LoadWord()) << scratchBits;
        ++wordIndex;
        scratchBits += 32;
    }
    uint32_t value = static_cast<uint32_t>(scratch & ((uint64_t(1) << bits) - 1));
    scratch >>= bits;
    scratchBits -= bits;
    bitsRead += bits;
    return value;
}

void BitReader::ReadBytes(uint8_t* bytes, int count)
{
    if (count <= 0 || GetAlignBits() != 0 || count > GetBitsRemaining() / 8)
        return;
    int index = 0;
    while (index < count && scratchBits != 0)
        bytes[index++] = static_cast<uint8_t>(ReadBits(8));
    int words = (count - index) / 4;
    if (words > 0)
    {
        std::memcpy(bytes + index, data + wordIndex * 4, static_cast<size_t>(words) * 4);
        wordIndex += words;
        bitsRead += words * 32;
        index += words * 4;
    }
    while (index < count)
        bytes[index++] = static_cast<uint8_t>(ReadBits(8));
}

namespace
{
bool ValidRange(int64_t min, int64_t max)
{
    return min <= max && static_cast<uint64_t>(max) - static_cast<uint64_t>(min) <= 0xFFFFFFFFu;
}

bool ValidBits(uint32_t value, int bits)
{
    return bits >= 1 && bits <= 32 && (bits == 32 || (value >> bits) == 0);
}
} // namespace

bool WriteStream::SerializeInteger(int64_t& value, int64_t min, int64_t max)
{
    if (!ValidRange(min, max) || value < min || value > max)
        return false;
    int bits = bits_required(min, max);
    if (writer.WouldOverflow(bits))
        return false;
    writer.WriteBits(static_cast<uint32_t>(static_cast<uint64_t>(value) - static_cast<uint64_t>(min)), bits);
    return true;
}

bool WriteStream::SerializeBits(uint32_t& value, int bits)
{
    if (!ValidBits(value, bits) || writer.WouldOverflow(bits))
        return false;
    writer.WriteBits(value, bits);
    return true;
}

bool WriteStream::SerializeBytes(uint8_t* data, int bytes)
{
    if (bytes < 0 || (bytes > 0 && !data) || !SerializeAlign())
        return false;
    if (bytes > writer.GetBitsAvailable() / 8)
        return false;
    writer.WriteBytes(data, bytes);
    return true;
}

bool WriteStream::SerializeAlign()
{
    if (writer.WouldOverflow(writer.GetAlignBits()))
        return false;
    writer.WriteAlign();
    return true;
}

bool ReadStream::SerializeInteger(int64_t& value, int64_t min, int64_t max)
{
    if (!ValidRange(min, max))
        return false;
    int bits = bits_required(min, max);
    if (reader.WouldReadPastEnd(bits))
        return false;
    uint64_t offset = reader.ReadBits(bits);
    if (offset > static_cast<uint64_t>(max) - static_cast<uint64_t>(min))
        return false;
    value = static_cast<int64_t>(static_cast<uint64_t>(min) + offset);
    return true;
}

bool ReadStream::SerializeBits(uint32_t& value, int bits)
{
    if (bits < 1 || bits > 32 || reader.WouldReadPastEnd(bits))
        return false;
    value = reader.ReadBits(bits);
    return true;
}

bool ReadStream::SerializeBytes(uint8_t* data, int bytes)
{
    if (bytes < 0 || (bytes > 0 && !data) || !SerializeAlign())
        return false;
    if (bytes > reader.GetBitsRemaining() / 8)
        return false;
    reader.ReadBytes(data, bytes);
    return true;
}

bool ReadStream::SerializeAlign()
{
    if (reader.WouldReadPastEnd(reader.GetAlignBits()))
        return false;
    return reader.ReadAlign();
}

bool MeasureStream::SerializeInteger(int64_t& value, int64_t min, int64_t max)
{
    if (!ValidRange(min, max) || value < min || value > max)
        return false;
    bitsMeasured += bits_required(min, max);
    return true;
}

bool MeasureStream::SerializeBits(uint32_t& value, int bits)
{
    if (!ValidBits(value, bits))
        return false;
    bitsMeasured += bits;
    return true;
}

bool MeasureStream::SerializeBytes(uint8_t*, int bytes)
{
    if (bytes < 0 || bytes > (INT32_MAX - 7 - bitsMeasured) / 8)
        return false;
    bitsMeasured += 7 + bytes * 8;
    return true;
}

bool MeasureStream::SerializeAlign()
{
    bitsMeasured += 7;
    return true;
}

} // namespace Net
