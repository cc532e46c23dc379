#include "Net/Connection.h"
#include "Net/Fuzz/Harness.h"
#include "Net/Message.h"
#include "Net/Reliability.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace Net::Fuzz
{

namespace
{

// Holds one field of every kind the streams know.
class SampleMessage : public Message
{
public:
    int32_t ranged = 0;
    uint32_t small = 0;
    uint64_t wide = 0;
    bool flag = false;
    float number = 0.0f;
    uint32_t word = 0;
    uint64_t big = 0;
    int byteCount = 0;
    uint8_t bytes[16] = {};
    char text[24] = {};

    template <class Stream> bool Serialize(Stream& stream)
    {
        serialize_int(stream, ranged, -1000, 1000);
        serialize_bits(stream, small, 5);
        serialize_bits(stream, wide, 40);
        serialize_bool(stream, flag);
        serialize_float(stream, number);
        serialize_uint32(stream, word);
        serialize_uint64(stream, big);
        serialize_int(stream, byteCount, 0, 16);
        serialize_bytes(stream, bytes, byteCount);
        serialize_string(stream, text, int(sizeof(text)));
        serialize_align(stream);
        return true;
    }
    NET_MESSAGE_VIRTUAL_SERIALIZE_FUNCTIONS()
};

class EmptyMessage : public Message
{
public:
    template <class Stream> bool Serialize(Stream&) { return true; }
    NET_MESSAGE_VIRTUAL_SERIALIZE_FUNCTIONS()
};

class SampleFactory : public MessageFactory
{
public:
    explicit SampleFactory(Allocator& allocator) : MessageFactory(allocator, 2) {}

protected:
    Message* CreateMessageInternal(int type) override
    {
        if (type == 0)
            return NET_NEW(GetAllocator(), SampleMessage);
        if (type == 1)
            return NET_NEW(GetAllocator(), EmptyMessage);
        return nullptr;
    }
};

ConnectionConfig SampleConnectionConfig()
{
    ConnectionConfig config;
    config.numChannels = 2;
    config.channel[0].type = CHANNEL_TYPE_RELIABLE_ORDERED;
    config.channel[1].type = CHANNEL_TYPE_UNRELIABLE_UNORDERED;
    // Small queues keep each run cheap; nothing here depends on their size.
    for (int i = 0; i < 2; ++i)
    {
        config.channel[i].sentPacketBufferSize = 32;
        config.channel[i].messageSendQueueSize = 64;
        config.channel[i].messageReceiveQueueSize = 64;
    }
    return config;
}

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void Fill(SampleMessage& message, int seed)
{
    message.ranged = seed * 37 - 500;
    message.small = uint32_t(seed) & 31;
    message.wide = (uint64_t(seed) << 33) | 0x12345;
    message.flag = seed % 2;
    message.number = float(seed) * 1.5f;
    message.word = 0xDEADBEEFu ^ uint32_t(seed);
    message.big = 0x0123456789ABCDEFull + uint64_t(seed);
    message.byteCount = seed % 17;
    for (int i = 0; i < 16; ++i)
        message.bytes[i] = uint8_t(seed + i);
    std::strncpy(message.text, "sample text", sizeof(message.text) - 1);
}

constexpr int MaxMessages = 8;

// Writes the count, then each message's type and fields; 0 when writing fails.
int WriteMessages(Message* const* messages, int count, uint8_t* buffer, int maxBytes)
{
    WriteStream stream(buffer, maxBytes);
    if (!SerializeIntValue(stream, count, 0, MaxMessages))
        return 0;
    for (int i = 0; i < count; ++i)
    {
        int type = messages[i]->GetType();
        MeasureStream measure;
        int before = stream.GetBitsProcessed();
        if (!SerializeIntValue(stream, type, 0, 1) || !messages[i]->SerializeInternal(stream) ||
            !messages[i]->SerializeInternal(measure))
            return 0;
        // Measuring may only overstate, by the worst case of its three alignments.
        int written = stream.GetBitsProcessed() - before - 1;
        Check(measure.GetBitsProcessed() >= written && measure.GetBitsProcessed() <= written + 21);
    }
    stream.Flush();
    return stream.GetBytesProcessed();
}

// Reads what WriteMessages wrote; false (with nothing left allocated) when the data is bad.
bool ReadMessageList(SampleFactory& factory, const uint8_t* data, int bytes, Message** messages, int& count)
{
    ReadStream stream(data, bytes);
    count = 0;
    int wanted = 0;
    if (!SerializeIntValue(stream, wanted, 0, MaxMessages))
        return false;
    for (int i = 0; i < wanted; ++i)
    {
        int type = 0;
        Message* message = SerializeIntValue(stream, type, 0, 1) ? factory.CreateMessage(type) : nullptr;
        if (!message || !message->SerializeInternal(stream))
        {
            factory.ReleaseMessage(message);
            for (int j = 0; j < count; ++j)
                factory.ReleaseMessage(messages[j]);
            count = 0;
            return false;
        }
        messages[count++] = message;
    }
    return true;
}

int ClampSize(size_t size)
{
    return int(std::min(size, size_t(INT_MAX)));
}

bool ProcessPayload(void* context, int, uint16_t sequence, const uint8_t* payload, int bytes)
{
    return static_cast<Connection*>(context)->ProcessPacket(nullptr, sequence, payload, bytes);
}

void Drain(Connection& connection)
{
    for (int channel = 0; channel < connection.GetNumChannels(); ++channel)
        while (Message* message = connection.ReceiveMessage(channel))
            connection.ReleaseMessage(message);
}

struct Recorder
{
    uint8_t* buffer;
    size_t maxBytes;
    size_t used;
};

void Record(void* context, int, uint16_t, const uint8_t* packet, int bytes)
{
    Recorder& recorder = *static_cast<Recorder*>(context);
    if (recorder.used + 2 + size_t(bytes) > recorder.maxBytes)
        return;
    recorder.buffer[recorder.used++] = uint8_t(bytes);
    recorder.buffer[recorder.used++] = uint8_t(bytes >> 8);
    std::memcpy(recorder.buffer + recorder.used, packet, size_t(bytes));
    recorder.used += size_t(bytes);
}

void QueueSampleMessages(Connection& connection, MessageFactory& factory, int reliable, int unreliable)
{
    for (int i = 0; i < reliable + unreliable; ++i)
    {
        Message* message = factory.CreateMessage(i % 3 == 2 ? 1 : 0);
        if (message && message->GetType() == 0)
            Fill(static_cast<SampleMessage&>(*message), i);
        connection.SendMessage(i < reliable ? 0 : 1, message);
    }
}

} // namespace

int ReadMessages(const uint8_t* data, size_t size)
{
    DefaultAllocator allocator;
    SampleFactory factory(allocator);
    Message* first[MaxMessages];
    Message* second[MaxMessages];
    int firstCount = 0;
    int secondCount = 0;
    if (!ReadMessageList(factory, data, ClampSize(size), first, firstCount))
        return 0;

    // Whatever was read must write, and read back to the same bytes.
    uint8_t written[2048];
    uint8_t rewritten[2048];
    int writtenBytes = WriteMessages(first, firstCount, written, int(sizeof(written)));
    Check(writtenBytes > 0);
    Check(ReadMessageList(factory, written, writtenBytes, second, secondCount) && secondCount == firstCount);
    int rewrittenBytes = WriteMessages(second, secondCount, rewritten, int(sizeof(rewritten)));
    Check(rewrittenBytes == writtenBytes && std::memcmp(written, rewritten, size_t(writtenBytes)) == 0);

    for (int i = 0; i < firstCount; ++i)
        factory.ReleaseMessage(first[i]);
    for (int i = 0; i < secondCount; ++i)
        factory.ReleaseMessage(second[i]);
    Check(factory.GetNumLiveMessages() == 0);
    return 0;
}

int ReadConnectionPacket(const uint8_t* data, size_t size)
{
    DefaultAllocator allocator;
    SampleFactory factory(allocator);
    {
        Connection connection(allocator, factory, SampleConnectionConfig(), 0.0);
        bool accepted = connection.ProcessPacket(nullptr, 0, data, ClampSize(size));
        int live = factory.GetNumLiveMessages();
        // A refused packet leaves nothing behind.
        Check(accepted || live == 0);
        Drain(connection);
    }
    Check(factory.GetNumLiveMessages() == 0);
    return 0;
}

int ReadReliablePackets(const uint8_t* data, size_t size)
{
    DefaultAllocator allocator;
    SampleFactory factory(allocator);
    {
        Connection connection(allocator, factory, SampleConnectionConfig(), 0.0);
        ReliableConfig config;
        config.context = &connection;
        config.process = ProcessPayload;
        config.maxPacketSize = 8 * 1024;
        ReliableEndpoint endpoint(config, allocator, 0.0);
        double time = 0.0;
        size_t offset = 0;
        while (offset + 2 <= size)
        {
            size_t length = size_t(data[offset]) | (size_t(data[offset + 1]) << 8);
            offset += 2;
            length = std::min(length, size - offset);
            endpoint.ReceivePacket(data + offset, int(length));
            offset += length;
            time += 0.01;
            endpoint.Update(time);
            connection.AdvanceTime(time);
        }
        int numAcks = 0;
        const uint16_t* acks = endpoint.GetAcks(numAcks);
        connection.ProcessAcks(acks, numAcks);
        endpoint.ClearAcks();
        // Writing the answer exercises the acks built from what arrived.
        uint8_t payload[8 * 1024];
        int bytes = connection.GeneratePacket(nullptr, endpoint.NextPacketSequence(), payload, int(sizeof(payload)));
        endpoint.SendPacket(payload, bytes);
        Drain(connection);
    }
    Check(factory.GetNumLiveMessages() == 0);
    return 0;
}

size_t MakeMessagesSample(uint8_t* buffer, size_t maxBytes)
{
    DefaultAllocator allocator;
    SampleFactory factory(allocator);
    Message* messages[3] = {factory.CreateMessage(0), factory.CreateMessage(1), factory.CreateMessage(0)};
    Fill(static_cast<SampleMessage&>(*messages[0]), 3);
    Fill(static_cast<SampleMessage&>(*messages[2]), 16);
    int bytes = WriteMessages(messages, 3, buffer, ClampSize(maxBytes));
    for (Message* message : messages)
        factory.ReleaseMessage(message);
    return size_t(bytes);
}

size_t MakeConnectionPacketSample(uint8_t* buffer, size_t maxBytes)
{
    DefaultAllocator allocator;
    SampleFactory factory(allocator);
    Connection connection(allocator, factory, SampleConnectionConfig(), 0.0);
    QueueSampleMessages(connection, factory, 4, 3);
    return size_t(connection.GeneratePacket(nullptr, 0, buffer, ClampSize(maxBytes)));
}

size_t MakeReliablePacketsSample(uint8_t* buffer, size_t maxBytes)
{
    DefaultAllocator allocator;
    SampleFactory factory(allocator);
    Connection connection(allocator, factory, SampleConnectionConfig(), 0.0);
    Recorder recorder{buffer, maxBytes, 0};
    ReliableConfig config;
    config.context = &recorder;
    config.transmit = Record;
    config.maxPacketSize = 8 * 1024;
    ReliableEndpoint endpoint(config, allocator, 0.0);
    uint8_t payload[8 * 1024];
    // A packet large enough to travel in fragments, then a small one.
    QueueSampleMessages(connection, factory, 50, 3);
    for (int i = 0; i < 2; ++i)
    {
        int bytes = connection.GeneratePacket(nullptr, endpoint.NextPacketSequence(), payload, int(sizeof(payload)));
        endpoint.SendPacket(payload, bytes);
        QueueSampleMessages(connection, factory, 1, 1);
    }
    return recorder.used;
}

} // namespace Net::Fuzz
