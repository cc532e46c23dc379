#pragma once

#include "Net/Config.h"
#include "Net/Memory.h"
#include "Net/Message.h"
#include "Net/SequenceBuffer.h"
#include "Net/Stream.h"

#include <cstdint>

namespace Net
{

enum ChannelErrorLevel
{
    CHANNEL_ERROR_NONE = 0,
    // A message was sent while CanSendMessage said no.
    CHANNEL_ERROR_SEND_QUEUE_FULL = 1,
    // A message could not be measured or written: a field held a value outside its range.
    CHANNEL_ERROR_FAILED_TO_SERIALIZE = 2,
    // A message is larger than any packet the channel may fill.
    CHANNEL_ERROR_MESSAGE_TOO_LARGE = 3,
    CHANNEL_ERROR_OUT_OF_MEMORY = 4,
};

enum ChannelCounter
{
    CHANNEL_COUNTER_MESSAGES_SENT,
    CHANNEL_COUNTER_MESSAGES_RECEIVED,
    // Received messages thrown away: duplicates, or no room left in the receive queue.
    CHANNEL_COUNTER_MESSAGES_DISCARDED,
    CHANNEL_COUNTER_NUM_COUNTERS,
};

// One message stream of a connection. Sending: messages wait in the send queue; for each packet
// the connection asks every channel to pick what fits (SelectPacketData) and then to write it
// (WritePacketData). Receiving: a packet's part for this channel is read whole first
// (ReadPacketData) and only kept (CommitPacketData) when the entire packet is good; otherwise it
// is dropped (DiscardPacketData). Owned by its connection; used from one thread.
class Channel
{
public:
    Channel(Allocator& allocator, MessageFactory& factory, const ChannelConfig& config, double time);
    virtual ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    virtual bool CanSendMessage() const = 0;
    // Takes over the caller's reference to the message, also when it refuses it (queue full, too
    // large for a packet, a field out of range: the error level says which).
    bool SendMessage(Message* message);
    // Bits this channel may fill in a packet that carries nothing else.
    void SetPacketBits(int bits) { packetBits = bits; }
    // The caller receives one reference, to give back with the factory's ReleaseMessage.
    virtual Message* ReceiveMessage() = 0;
    virtual bool HasMessagesToSend() const = 0;
    virtual void Reset() = 0;

    // Picks messages for the packet with this sequence within availableBits; returns the bits
    // WritePacketData will take, 0 when there is nothing to send.
    virtual int SelectPacketData(uint16_t packetSequence, int availableBits) = 0;
    virtual bool WritePacketData(WriteStream& stream) = 0;
    virtual bool ReadPacketData(ReadStream& stream) = 0;
    // False when what was read cannot be kept (the receive window is exceeded).
    virtual bool CanCommitPacketData() const = 0;
    virtual void CommitPacketData() = 0;
    void DiscardPacketData();

    // A packet the connection sent was acknowledged.
    virtual void ProcessAck(uint16_t) {}
    void AdvanceTime(double now) { time = now; }

    // Bits, beyond the message itself, that one message costs at most inside a packet.
    virtual int GetMessageOverheadBits() const = 0;

    bool IsValid() const { return valid; }
    int GetErrorLevel() const { return errorLevel; }
    uint64_t GetCounter(ChannelCounter counter) const { return counters[counter]; }

protected:
    // Queues a message that CanSendMessage allowed and that fits a packet.
    virtual void Enqueue(Message* message, int measuredBits) = 0;
    void SetErrorLevel(int level);
    void Fail(int level, Message* message, const char* reason);
    int CountBits() const { return bits_required(1, config.maxMessagesPerPacket); }
    int TypeBits() const { return bits_required(0, factory.GetNumTypes() - 1); }
    bool ReadMessageBody(ReadStream& stream, Message*& message);
    bool WriteMessageBody(WriteStream& stream, Message* message);

    Allocator& allocator;
    MessageFactory& factory;
    ChannelConfig config;
    double time;
    int packetBits = 0;
    bool valid = true;
    int errorLevel = CHANNEL_ERROR_NONE;
    uint64_t counters[CHANNEL_COUNTER_NUM_COUNTERS] = {};

    // Messages read from the packet being received, or picked for the one being written (the
    // unreliable channel's); the channel holds a reference to each.
    Message** packetMessages = nullptr;
    uint16_t* packetIds = nullptr;
    int numPacketMessages = 0;
};

// Resends each message until a packet carrying it is acknowledged; the receiver hands messages on
// once each, in the order they were sent, keeping those that arrive early until their turn.
class ReliableOrderedChannel : public Channel
{
public:
    ReliableOrderedChannel(Allocator& allocator, MessageFactory& factory, const ChannelConfig& config, double time);
    ~ReliableOrderedChannel() override;

    bool CanSendMessage() const override;
    Message* ReceiveMessage() override;
    bool HasMessagesToSend() const override { return oldestUnackedId != sendMessageId; }
    void Reset() override;

    int SelectPacketData(uint16_t packetSequence, int availableBits) override;
    bool WritePacketData(WriteStream& stream) override;
    bool ReadPacketData(ReadStream& stream) override;
    bool CanCommitPacketData() const override;
    void CommitPacketData() override;
    void ProcessAck(uint16_t packetSequence) override;
    int GetMessageOverheadBits() const override { return MaxIdBits + TypeBits(); }

protected:
    void Enqueue(Message* message, int measuredBits) override;

private:
    // Ids in a packet rise; each after the first is written as its distance from the one before.
    static constexpr int MaxIdBits = 18;
    static int IdBits(uint16_t id, uint16_t previous, bool first);
    template <class Stream> static bool SerializeId(Stream& stream, uint16_t& id, uint16_t previous, bool first);

    struct SendEntry
    {
        Message* message;
        double timeLastSent;
        int measuredBits;
    };
    struct SentPacketEntry
    {
        int numIds;
        bool acked;
    };
    struct ReceiveEntry
    {
        Message* message;
    };

    void ReleaseQueues();

    // Ids picked by SelectPacketData for the next WritePacketData, in packetIds.
    int numSelected = 0;
    uint16_t sendMessageId = 0;
    uint16_t oldestUnackedId = 0;
    uint16_t receiveMessageId = 0;
    SequenceBuffer<SendEntry> sendQueue;
    SequenceBuffer<SentPacketEntry> sentPackets;
    SequenceBuffer<ReceiveEntry> receiveQueue;
    // The message ids each remembered packet carried: maxMessagesPerPacket slots per packet.
    uint16_t* sentPacketIds = nullptr;
};

// Sends each message once, in the next packet with room for it; the receiver hands messages on in
// the order their packets arrive.
class UnreliableUnorderedChannel : public Channel
{
public:
    UnreliableUnorderedChannel(Allocator& allocator, MessageFactory& factory, const ChannelConfig& config, double time);
    ~UnreliableUnorderedChannel() override;

    bool CanSendMessage() const override { return valid && sendCount < config.messageSendQueueSize; }
    Message* ReceiveMessage() override;
    bool HasMessagesToSend() const override { return sendCount > 0; }
    void Reset() override;

    int SelectPacketData(uint16_t packetSequence, int availableBits) override;
    bool WritePacketData(WriteStream& stream) override;
    bool ReadPacketData(ReadStream& stream) override;
    bool CanCommitPacketData() const override { return true; }
    void CommitPacketData() override;
    int GetMessageOverheadBits() const override { return TypeBits(); }

protected:
    void Enqueue(Message* message, int measuredBits) override;

private:
    struct SendEntry
    {
        Message* message;
        int measuredBits;
    };

    void ReleaseQueues();

    SendEntry* sendQueue = nullptr;
    int sendFirst = 0;
    int sendCount = 0;
    Message** receiveQueue = nullptr;
    int receiveFirst = 0;
    int receiveCount = 0;
};

} // namespace Net
