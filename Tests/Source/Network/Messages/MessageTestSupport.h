#pragma once

#include "Net/Memory.h"
#include "Net/Stream.h"
#include "Source/Network/Messages/VantorelMessageFactory.h"
#include "Tests/Source/Network/Fuzz/GameMessageHarness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace MessageTesting
{

// A message's wire form on its own, as a channel would put it after the type id.
struct WireImage
{
    bool operator==(const WireImage&) const = default;

    std::vector<uint8_t> bytes;
    int bits = 0;
};

// Writes the message alone; nothing when it refuses to.
inline std::optional<WireImage> Write(Net::Message& message)
{
    std::vector<uint8_t> buffer(8 * 1024);
    Net::WriteStream stream(buffer.data(), static_cast<int>(buffer.size()));
    if (!message.SerializeInternal(stream))
        return std::nullopt;
    stream.Flush();
    buffer.resize(static_cast<size_t>(stream.GetBytesProcessed()));
    return WireImage{buffer, stream.GetBitsProcessed()};
}

// The bits the message measures, or -1 when measuring refuses it.
inline int Measure(Net::Message& message)
{
    Net::MeasureStream stream;
    return message.SerializeInternal(stream) ? stream.GetBitsProcessed() : -1;
}

// Reads the bytes into the message; the bits read, or -1 when the read fails.
inline int Read(Net::Message& message, const std::vector<uint8_t>& bytes)
{
    Net::ReadStream stream(bytes.data(), static_cast<int>(bytes.size()));
    return message.SerializeInternal(stream) ? stream.GetBitsProcessed() : -1;
}

// Bits laid out by hand as the library packs them: bit i of the stream is bit i % 8 of byte i / 8.
class BitLayout
{
public:
    // Past 64 bits the value's high bits are zero.
    BitLayout& Add(uint64_t value, int bits)
    {
        for (int i = 0; i < bits; ++i)
        {
            if (count % 8 == 0)
                bytes.push_back(0);
            const uint64_t bit = i < 64 ? (value >> i) & 1 : 0;
            bytes.back() |= static_cast<uint8_t>(bit << (count % 8));
            ++count;
        }
        return *this;
    }
    const std::vector<uint8_t>& Bytes() const { return bytes; }
    int Bits() const { return count; }

private:
    std::vector<uint8_t> bytes;
    int count = 0;
};

// Overwrites bits [offset, offset + width) of a written image with the value.
inline void Patch(std::vector<uint8_t>& bytes, int offset, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
    {
        const int bit = offset + i;
        uint8_t& byte = bytes.at(static_cast<size_t>(bit / 8));
        byte = static_cast<uint8_t>((byte & ~(1u << (bit % 8))) | (((value >> i) & 1) << (bit % 8)));
    }
}

struct Releaser
{
    void operator()(Net::Message* message) const { factory->ReleaseMessage(message); }
    Net::MessageFactory* factory;
};
template <class T> using MessagePtr = std::unique_ptr<T, Releaser>;

// A factory over limits the test may change at any time: two teams of two players scoring 0 to 25, four
// definitions of each part, five items, four weapons, two triggers and six event kinds.
class MessageTest : public ::testing::Test
{
protected:
    template <class T> MessagePtr<T> Create()
    {
        return MessagePtr<T>(static_cast<T*>(factory.CreateMessage(static_cast<int>(T::Type))), Releaser{&factory});
    }
    MessagePtr<Net::Message> Create(int type)
    {
        return MessagePtr<Net::Message>(factory.CreateMessage(type), Releaser{&factory});
    }

    MessageLimits limits = GameMessageFuzzLimits(0);
    Net::DefaultAllocator allocator;
    VantorelMessageFactory factory{allocator, limits};
};

} // namespace MessageTesting
