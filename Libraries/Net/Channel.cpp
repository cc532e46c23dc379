#include "Net/Channel.h"

#include "Net/Log.h"

#include <algorithm>
#include <iterator>

namespace Net
{

namespace
{
ChannelConfig Sanitized(ChannelConfig config)
{
    config.maxMessagesPerPacket = std::clamp(config.maxMessagesPerPacket, 1, 32768);
    config.messageSendQueueSize = std::clamp(config.messageSendQueueSize, 1, 32768);
    config.messageReceiveQueueSize = std::clamp(config.messageReceiveQueueSize, 1, 32768);
    config.sentPacketBufferSize = std::clamp(config.sentPacketBufferSize, 1, 32768);
    return config;
}
} // namespace

Channel::Channel(Allocator& allocator, MessageFactory& factory, const ChannelConfig& config, double time)
    : allocator(allocator), factory(factory), config(Sanitized(config)), time(time)
{
    packetMessages = NET_NEW_ARRAY(allocator, Message*, size_t(this->config.maxMessagesPerPacket));
    packetIds = NET_NEW_ARRAY(allocator, uint16_t, size_t(this->config.maxMessagesPerPacket));
    valid = packetMessages && packetIds;
}

Channel::~Channel()
{
    DiscardPacketData();
    NET_DELETE_ARRAY(allocator, packetIds);
    NET_DELETE_ARRAY(allocator, packetMessages);
}

void Channel::DiscardPacketData()
{
    for (int i = 0; i < numPacketMessages; ++i)
        factory.ReleaseMessage(packetMessages[i]);
    numPacketMessages = 0;
}

void Channel::SetErrorLevel(int level)
{
    if (errorLevel == CHANNEL_ERROR_NONE)
        errorLevel = level;
}

void Channel::Fail(int level, Message* message, const char* reason)
{
    NET_LOG_ERROR("channel refused a message of type %d: %s", message ? message->GetType() : -1, reason);
    SetErrorLevel(level);
    factory.ReleaseMessage(message);
}

bool Channel::SendMessage(Message* message)
{
    if (!message)
        return false;
    if (!CanSendMessage())
    {
        Fail(CHANNEL_ERROR_SEND_QUEUE_FULL, message, "the send queue is full");
        return false;
    }
    MeasureStream measure;
    if (!message->SerializeInternal(measure))
    {
        Fail(CHANNEL_ERROR_FAILED_TO_SERIALIZE, message, "a field is outside its range");
        return false;
    }
    // A message that fits no packet would hold up a reliable channel for ever.
    int measuredBits = TypeBits() + measure.GetBitsProcessed();
    if (measuredBits + GetMessageOverheadBits() - TypeBits() + CountBits() > packetBits)
    {
        Fail(CHANNEL_ERROR_MESSAGE_TOO_LARGE, message, "it is larger than a packet");
        return false;
    }
    Enqueue(message, measuredBits);
    return true;
}

bool Channel::ReadMessageBody(ReadStream& stream, Message*& message)
{
    int type = 0;
    serialize_int(stream, type, 0, factory.GetNumTypes() - 1);
    message = factory.CreateMessage(type);
    if (!message)
        return false;
    if (!message->SerializeInternal(stream))
    {
        factory.ReleaseMessage(message);
        message = nullptr;
        return false;
    }
    return true;
}

bool Channel::WriteMessageBody(WriteStream& stream, Message* message)
{
    int type = message->GetType();
    if (SerializeIntValue(stream, type, 0, factory.GetNumTypes() - 1) && message->SerializeInternal(stream))
        return true;
    SetErrorLevel(CHANNEL_ERROR_FAILED_TO_SERIALIZE);
    return false;
}

// Reliable-ordered channel.

ReliableOrderedChannel::ReliableOrderedChannel(Allocator& allocator, MessageFactory& factory,
                                               const ChannelConfig& config, double time)
    : Channel(allocator, factory, config, time), sendQueue(allocator, this->config.messageSendQueueSize),
      sentPackets(allocator, this->config.sentPacketBufferSize),
      receiveQueue(allocator, this->config.messageReceiveQueueSize)
{
    sentPacketIds =
        NET_NEW_ARRAY(allocator, uint16_t, size_t(sentPackets.GetSize()) * size_t(this->config.maxMessagesPerPacket));
    valid = valid && sendQueue.IsValid() && sentPackets.IsValid() && receiveQueue.IsValid() && sentPacketIds;
}

ReliableOrderedChannel::~ReliableOrderedChannel()
{
    ReleaseQueues();
    NET_DELETE_ARRAY(allocator, sentPacketIds);
}

void ReliableOrderedChannel::ReleaseQueues()
{
    DiscardPacketData();
    numSelected = 0;
    if (!valid)
        return;
    for (uint16_t id = oldestUnackedId; id != sendMessageId; ++id)
        if (SendEntry* entry = sendQueue.Find(id))
            factory.ReleaseMessage(entry->message);
    for (int i = 0; i < receiveQueue.GetSize(); ++i)
    {
        uint16_t id = uint16_t(receiveMessageId + i);
        if (ReceiveEntry* entry = receiveQueue.Find(id))
            factory.ReleaseMessage(entry->message);
    }
}

void ReliableOrderedChannel::Reset()
{
    ReleaseQueues();
    sendMessageId = 0;
    oldestUnackedId = 0;
    receiveMessageId = 0;
    sendQueue.Reset();
    sentPackets.Reset();
    receiveQueue.Reset();
    errorLevel = CHANNEL_ERROR_NONE;
    std::fill(std::begin(counters), std::end(counters), 0);
}

bool ReliableOrderedChannel::CanSendMessage() const
{
    // A slot of the ring is free once the message that used it last, one ring behind, is acked.
    return valid && uint16_t(sendMessageId - oldestUnackedId) < sendQueue.GetSize() &&
           uint16_t(sendMessageId - oldestUnackedId) < config.messageSendQueueSize;
}

void ReliableOrderedChannel::Enqueue(Message* message, int measuredBits)
{
    message->SetId(sendMessageId);
    SendEntry* entry = sendQueue.Insert(sendMessageId);
    entry->message = message;
    entry->timeLastSent = -1.0;
    entry->measuredBits = measuredBits;
    ++sendMessageId;
    ++counters[CHANNEL_COUNTER_MESSAGES_SENT];
}

Message* ReliableOrderedChannel::ReceiveMessage()
{
    ReceiveEntry* entry = valid ? receiveQueue.Find(receiveMessageId) : nullptr;
    if (!entry)
        return nullptr;
    Message* message = entry->message;
    receiveQueue.Remove(receiveMessageId);
    ++receiveMessageId;
    ++counters[CHANNEL_COUNTER_MESSAGES_RECEIVED];
    return message;
}

int ReliableOrderedChannel::IdBits(uint16_t id, uint16_t previous, bool first)
{
    if (first)
        return 16;
    uint16_t distance = uint16_t(id - previous);
    if (distance == 1)
        return 1;
    return distance <= 33 ? 7 : MaxIdBits;
}

template <class Stream>
bool ReliableOrderedChannel::SerializeId(Stream& stream, uint16_t& id, uint16_t previous, bool first)
{
    if (first)
    {
        serialize_bits(stream, id, 16);
        return true;
    }
    uint16_t distance = uint16_t(id - previous);
    bool next = distance == 1;
    serialize_bool(stream, next);
    if (next)
    {
        id = uint16_t(previous + 1);
        return true;
    }
    bool near = distance >= 2 && distance <= 33;
    serialize_bool(stream, near);
    if (near)
    {
        int gap = distance;
        serialize_int(stream, gap, 2, 33);
        id = uint16_t(previous + gap);
        return true;
    }
    serialize_bits(stream, id, 16);
    return SequenceGreaterThan(id, previous);
}

int ReliableOrderedChannel::SelectPacketData(uint16_t packetSequence, int availableBits)
{
    numSelected = 0;
    if (!valid || !HasMessagesToSend())
        return 0;
    int bits = CountBits();
    uint16_t previous = 0;
    // The other end keeps at most its receive queue's worth past what it has handed on, and
    // refuses a packet holding a message beyond that; both ends share one configuration.
    uint16_t end = sendMessageId;
    if (uint16_t(end - oldestUnackedId) > config.messageReceiveQueueSize)
        end = uint16_t(oldestUnackedId + config.messageReceiveQueueSize);
    for (uint16_t id = oldestUnackedId; id != end && numSelected < config.maxMessagesPerPacket; ++id)
    {
        SendEntry* entry = sendQueue.Find(id);
        if (!entry || (entry->timeLastSent >= 0.0 && time < entry->timeLastSent + config.messageResendTime))
            continue;
        int cost = IdBits(id, previous, numSelected == 0) + entry->measuredBits;
        if (bits + cost > availableBits)
            continue;
        bits += cost;
        previous = id;
        packetIds[numSelected++] = id;
    }
    if (numSelected == 0)
        return 0;

    SentPacketEntry* sent = sentPackets.Insert(packetSequence);
    if (!sent)
    {
        numSelected = 0;
        return 0;
    }
    sent->numIds = numSelected;
    sent->acked = false;
    uint16_t* ids = sentPacketIds + size_t(sentPackets.IndexOf(packetSequence)) * size_t(config.maxMessagesPerPacket);
    for (int i = 0; i < numSelected; ++i)
    {
        ids[i] = packetIds[i];
        sendQueue.Find(packetIds[i])->timeLastSent = time;
    }
    return bits;
}

bool ReliableOrderedChannel::WritePacketData(WriteStream& stream)
{
    int count = numSelected;
    numSelected = 0;
    serialize_int(stream, count, 1, config.maxMessagesPerPacket);
    for (int i = 0; i < count; ++i)
    {
        uint16_t id = packetIds[i];
        SendEntry* entry = sendQueue.Find(id);
        if (!entry || !SerializeId(stream, id, i > 0 ? packetIds[i - 1] : 0, i == 0) ||
            !WriteMessageBody(stream, entry->message))
            return false;
    }
    return true;
}

bool ReliableOrderedChannel::ReadPacketData(ReadStream& stream)
{
    DiscardPacketData();
    int count = 0;
    serialize_int(stream, count, 1, config.maxMessagesPerPacket);
    for (int i = 0; i < count; ++i)
    {
        uint16_t id = 0;
        if (!SerializeId(stream, id, i > 0 ? packetIds[i - 1] : 0, i == 0))
            return false;
        packetIds[i] = id;
        Message* message = nullptr;
        if (!ReadMessageBody(stream, message))
            return false;
        message->SetId(id);
        packetMessages[numPacketMessages++] = message;
    }
    return true;
}

bool ReliableOrderedChannel::CanCommitPacketData() const
{
    // A message too far ahead has no slot yet. Keeping the rest of its packet would acknowledge
    // it, and it would never be sent again, so the whole packet waits to be resent instead.
    for (int i = 0; i < numPacketMessages; ++i)
    {
        uint16_t id = packetIds[i];
        if (!SequenceLessThan(id, receiveMessageId) &&
            uint16_t(id - receiveMessageId) >= config.messageReceiveQueueSize)
            return false;
    }
    return true;
}

void ReliableOrderedChannel::CommitPacketData()
{
    for (int i = 0; i < numPacketMessages; ++i)
    {
        uint16_t id = packetIds[i];
        Message* message = packetMessages[i];
        if (SequenceLessThan(id, receiveMessageId) || receiveQueue.Exists(id))
        {
            ++counters[CHANNEL_COUNTER_MESSAGES_DISCARDED];
            factory.ReleaseMessage(message);
            continue;
        }
        receiveQueue.Insert(id)->message = message;
    }
    numPacketMessages = 0;
}

void ReliableOrderedChannel::ProcessAck(uint16_t packetSequence)
{
    SentPacketEntry* sent = valid ? sentPackets.Find(packetSequence) : nullptr;
    if (!sent || sent->acked)
        return;
    sent->acked = true;
    const uint16_t* ids =
        sentPacketIds + size_t(sentPackets.IndexOf(packetSequence)) * size_t(config.maxMessagesPerPacket);
    for (int i = 0; i < sent->numIds; ++i)
    {
        if (SendEntry* entry = sendQueue.Find(ids[i]))
        {
            factory.ReleaseMessage(entry->message);
            sendQueue.Remove(ids[i]);
        }
    }
    while (oldestUnackedId != sendMessageId && !sendQueue.Exists(oldestUnackedId))
        ++oldestUnackedId;
}

// Unreliable-unordered channel.

UnreliableUnorderedChannel::UnreliableUnorderedChannel(Allocator& allocator, MessageFactory& factory,
                                                       const ChannelConfig& config, double time)
    : Channel(allocator, factory, config, time)
{
    sendQueue = NET_NEW_ARRAY(allocator, SendEntry, size_t(this->config.messageSendQueueSize));
    receiveQueue = NET_NEW_ARRAY(allocator, Message*, size_t(this->config.messageReceiveQueueSize));
    valid = valid && sendQueue && receiveQueue;
}

UnreliableUnorderedChannel::~UnreliableUnorderedChannel()
{
    ReleaseQueues();
    NET_DELETE_ARRAY(allocator, receiveQueue);
    NET_DELETE_ARRAY(allocator, sendQueue);
}

void UnreliableUnorderedChannel::ReleaseQueues()
{
    DiscardPacketData();
    for (; sendCount > 0; --sendCount, sendFirst = (sendFirst + 1) % config.messageSendQueueSize)
        factory.ReleaseMessage(sendQueue[sendFirst].message);
    for (; receiveCount > 0; --receiveCount, receiveFirst = (receiveFirst + 1) % config.messageReceiveQueueSize)
        factory.ReleaseMessage(receiveQueue[receiveFirst]);
    sendFirst = 0;
    receiveFirst = 0;
}

void UnreliableUnorderedChannel::Reset()
{
    ReleaseQueues();
    errorLevel = CHANNEL_ERROR_NONE;
    std::fill(std::begin(counters), std::end(counters), 0);
}

void UnreliableUnorderedChannel::Enqueue(Message* message, int measuredBits)
{
    sendQueue[(sendFirst + sendCount) % config.messageSendQueueSize] = {message, measuredBits};
    ++sendCount;
    ++counters[CHANNEL_COUNTER_MESSAGES_SENT];
}

Message* UnreliableUnorderedChannel::ReceiveMessage()
{
    if (receiveCount == 0)
        return nullptr;
    Message* message = receiveQueue[receiveFirst];
    receiveFirst = (receiveFirst + 1) % config.messageReceiveQueueSize;
    --receiveCount;
    ++counters[CHANNEL_COUNTER_MESSAGES_RECEIVED];
    return message;
}

int UnreliableUnorderedChannel::SelectPacketData(uint16_t, int availableBits)
{
    DiscardPacketData();
    if (!valid || sendCount == 0)
        return 0;
    // Messages leave in the order they were queued; the first that does not fit waits for the
    // next packet with everything behind it.
    int bits = CountBits();
    while (sendCount > 0 && numPacketMessages < config.maxMessagesPerPacket)
    {
        const SendEntry& entry = sendQueue[sendFirst];
        if (bits + entry.measuredBits > availableBits)
            break;
        bits += entry.measuredBits;
        packetMessages[numPacketMessages++] = entry.message;
        sendFirst = (sendFirst + 1) % config.messageSendQueueSize;
        --sendCount;
    }
    return numPacketMessages > 0 ? bits : 0;
}

bool UnreliableUnorderedChannel::WritePacketData(WriteStream& stream)
{
    bool written = numPacketMessages > 0;
    int count = numPacketMessages;
    if (written && !SerializeIntValue(stream, count, 1, config.maxMessagesPerPacket))
        written = false;
    for (int i = 0; written && i < count; ++i)
        written = WriteMessageBody(stream, packetMessages[i]);
    // Sent or not, these messages are done with: an unreliable message goes out at most once.
    DiscardPacketData();
    return written;
}

bool UnreliableUnorderedChannel::ReadPacketData(ReadStream& stream)
{
    DiscardPacketData();
    int count = 0;
    serialize_int(stream, count, 1, config.maxMessagesPerPacket);
    for (int i = 0; i < count; ++i)
    {
        Message* message = nullptr;
        if (!ReadMessageBody(stream, message))
            return false;
        packetMessages[numPacketMessages++] = message;
    }
    return true;
}

void UnreliableUnorderedChannel::CommitPacketData()
{
    for (int i = 0; i < numPacketMessages; ++i)
    {
        if (receiveCount == config.messageReceiveQueueSize)
        {
            ++counters[CHANNEL_COUNTER_MESSAGES_DISCARDED];
            factory.ReleaseMessage(packetMessages[i]);
            continue;
        }
        receiveQueue[(receiveFirst + receiveCount) % config.messageReceiveQueueSize] = packetMessages[i];
        ++receiveCount;
    }
    numPacketMessages = 0;
}

} // namespace Net
