#pragma once

#include "Net/Message.h"

#include <cstdint>
#include <cstring>

namespace NetTest
{

// A message that carries one number, and one whose size the test chooses.
class NumberMessage : public Net::Message
{
public:
    uint32_t value = 0;

    template <class Stream> bool Serialize(Stream& stream)
    {
        serialize_uint32(stream, value);
        return true;
    }
    NET_MESSAGE_VIRTUAL_SERIALIZE_FUNCTIONS()
};

class BlobMessage : public Net::Message
{
public:
    static constexpr int MaxBytes = 16 * 1024;
    int size = 0;
    uint8_t data[MaxBytes] = {};

    template <class Stream> bool Serialize(Stream& stream)
    {
        serialize_int(stream, size, 0, MaxBytes);
        serialize_bytes(stream, data, size);
        return true;
    }
    NET_MESSAGE_VIRTUAL_SERIALIZE_FUNCTIONS()
};

// Its one field must lie in [0, 5]; writing another value fails.
class RangedMessage : public Net::Message
{
public:
    int value = 0;

    template <class Stream> bool Serialize(Stream& stream)
    {
        serialize_int(stream, value, 0, 5);
        return true;
    }
    NET_MESSAGE_VIRTUAL_SERIALIZE_FUNCTIONS()
};

enum TestMessageType
{
    NUMBER_MESSAGE,
    BLOB_MESSAGE,
    RANGED_MESSAGE,
    NUM_TEST_MESSAGE_TYPES,
};

class TestMessageFactory : public Net::MessageFactory
{
public:
    explicit TestMessageFactory(Net::Allocator& allocator) : MessageFactory(allocator, NUM_TEST_MESSAGE_TYPES) {}

    NumberMessage* CreateNumber(uint32_t value)
    {
        auto* message = static_cast<NumberMessage*>(CreateMessage(NUMBER_MESSAGE));
        if (message)
            message->value = value;
        return message;
    }

protected:
    Net::Message* CreateMessageInternal(int type) override
    {
        switch (type)
        {
        case NUMBER_MESSAGE:
            return NET_NEW(GetAllocator(), NumberMessage);
        case BLOB_MESSAGE:
            return NET_NEW(GetAllocator(), BlobMessage);
        case RANGED_MESSAGE:
            return NET_NEW(GetAllocator(), RangedMessage);
        default:
            return nullptr;
        }
    }
};

} // namespace NetTest
