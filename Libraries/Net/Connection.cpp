#include "Net/Connection.h"

#include "Net/Log.h"

#include <algorithm>

namespace Net
{

Connection::Connection(Allocator& allocator, MessageFactory& messageFactory, const ConnectionConfig& config,
                       double time)
    : allocator(allocator), messageFactory(messageFactory), config(config),
      numChannels(std::clamp(config.numChannels, 0, MaxChannels))
{
    int packetBits = std::max(config.maxPacketSize, 0) * 8 - EntryCountBits() - ChannelIndexBits();
    for (int i = 0; i < numChannels; ++i)
    {
        const ChannelConfig& channelConfig = config.channel[i];
        if (channelConfig.type == CHANNEL_TYPE_RELIABLE_ORDERED)
            channels[i] = NET_NEW(allocator, ReliableOrderedChannel, allocator, messageFactory, channelConfig, time);
        else
            channels[i] =
                NET_NEW(allocator, UnreliableUnorderedChannel, allocator, messageFactory, channelConfig, time);
        if (!channels[i] || !channels[i]->IsValid())
        {
            allocationFailed = true;
            continue;
        }
        int channelBits = packetBits;
        if (channelConfig.packetBudget > 0)
            channelBits = std::min(channelBits, channelConfig.packetBudget * 8);
        channels[i]->SetPacketBits(channelBits);
    }
    if (allocationFailed)
        NET_LOG_ERROR("connection could not allocate its channels");
}

Connection::~Connection()
{
    for (int i = 0; i < numChannels; ++i)
        NET_DELETE(allocator, channels[i]);
}

bool Connection::CanSendMessage(int channelIndex) const
{
    return !allocationFailed && ValidChannel(channelIndex) && channels[channelIndex]->CanSendMessage();
}

bool Connection::SendMessage(int channelIndex, Message* message)
{
    if (allocationFailed || !ValidChannel(channelIndex))
    {
        NET_LOG_ERROR("message sent on channel %d, which does not exist", channelIndex);
        messageFactory.ReleaseMessage(message);
        return false;
    }
    return channels[channelIndex]->SendMessage(message);
}

Message* Connection::ReceiveMessage(int channelIndex)
{
    if (allocationFailed || !ValidChannel(channelIndex))
        return nullptr;
    return channels[channelIndex]->ReceiveMessage();
}

void Connection::ReleaseMessage(Message* message)
{
    messageFactory.ReleaseMessage(message);
}

bool Connection::HasMessagesToSend(int channelIndex) const
{
    return !allocationFailed && ValidChannel(channelIndex) && channels[channelIndex]->HasMessagesToSend();
}

int Connection::GeneratePacket(void*, uint16_t packetSequence, uint8_t* buffer, int maxBytes)
{
    numEntries = 0;
    if (allocationFailed || !buffer || maxBytes <= 0)
        return 0;
    int available = std::min(maxBytes, config.maxPacketSize) * 8 - EntryCountBits();
    for (int i = 0; i < numChannels; ++i)
    {
        int room = available - ChannelIndexBits();
        if (config.channel[i].packetBudget > 0)
            room = std::min(room, config.channel[i].packetBudget * 8);
        if (room <= 0)
            continue;
        int bits = channels[i]->SelectPacketData(packetSequence, room);
        if (bits <= 0)
            continue;
        entryChannels[numEntries++] = i;
        available -= ChannelIndexBits() + bits;
    }
    if (numEntries == 0)
        return 0;

    WriteStream stream(buffer, maxBytes);
    int count = numEntries;
    bool written = SerializeIntValue(stream, count, 0, numChannels);
    // Every picked channel writes, even after a failure, so that each lets go of what it picked.
    for (int entry = 0; entry < numEntries; ++entry)
    {
        int channelIndex = entryChannels[entry];
        written = SerializeIntValue(stream, channelIndex, 0, numChannels - 1) && written;
        written = channels[channelIndex]->WritePacketData(stream) && written;
    }
    numEntries = 0;
    if (!written)
    {
        // Measuring promised a size that writing did not keep to.
        NET_LOG_ERROR("failed to write packet %u: a message wrote more than it measured", unsigned(packetSequence));
        return 0;
    }
    stream.Flush();
    return stream.GetBytesProcessed();
}

void Connection::DiscardRead()
{
    for (int entry = 0; entry < numEntries; ++entry)
        channels[entryChannels[entry]]->DiscardPacketData();
    numEntries = 0;
}

bool Connection::ProcessPacket(void*, uint16_t, const uint8_t* data, int bytes)
{
    numEntries = 0;
    if (allocationFailed || bytes < 0 || (bytes > 0 && !data))
        return false;
    if (bytes == 0)
        return true;

    ReadStream stream(data, bytes);
    int count = 0;
    if (!SerializeIntValue(stream, count, 0, numChannels))
        return false;
    int previous = -1;
    for (int entry = 0; entry < count; ++entry)
    {
        int channelIndex = 0;
        if (!SerializeIntValue(stream, channelIndex, 0, numChannels - 1) || channelIndex <= previous)
        {
            DiscardRead();
            return false;
        }
        previous = channelIndex;
        entryChannels[numEntries++] = channelIndex;
        if (!channels[channelIndex]->ReadPacketData(stream))
        {
            DiscardRead();
            return false;
        }
    }
    // Only the zero bits that pad the last byte may follow.
    int rest = stream.GetBitsRemaining();
    uint32_t padding = 0;
    if (rest >= 8 || (rest > 0 && (!stream.SerializeBits(padding, rest) || padding != 0)))
    {
        DiscardRead();
        return false;
    }
    for (int entry = 0; entry < numEntries; ++entry)
    {
        if (!channels[entryChannels[entry]]->CanCommitPacketData())
        {
            DiscardRead();
            return false;
        }
    }
    for (int entry = 0; entry < numEntries; ++entry)
        channels[entryChannels[entry]]->CommitPacketData();
    numEntries = 0;
    return true;
}

void Connection::ProcessAcks(const uint16_t* acks, int count)
{
    if (allocationFailed || !acks)
        return;
    for (int i = 0; i < count; ++i)
        for (int channel = 0; channel < numChannels; ++channel)
            channels[channel]->ProcessAck(acks[i]);
}

void Connection::AdvanceTime(double time)
{
    if (allocationFailed)
        return;
    for (int i = 0; i < numChannels; ++i)
        channels[i]->AdvanceTime(time);
}

int Connection::GetErrorLevel() const
{
    if (allocationFailed || allocator.GetErrorLevel() != ALLOCATOR_ERROR_NONE)
        return CONNECTION_ERROR_ALLOCATOR;
    if (messageFactory.GetErrorLevel() != MESSAGE_FACTORY_ERROR_NONE)
        return CONNECTION_ERROR_MESSAGE_FACTORY;
    for (int i = 0; i < numChannels; ++i)
        if (channels[i]->GetErrorLevel() != CHANNEL_ERROR_NONE)
            return CONNECTION_ERROR_CHANNEL;
    return CONNECTION_ERROR_NONE;
}

int Connection::GetChannelErrorLevel(int channelIndex) const
{
    if (!ValidChannel(channelIndex) || !channels[channelIndex])
        return CHANNEL_ERROR_NONE;
    return channels[channelIndex]->GetErrorLevel();
}

uint64_t Connection::GetChannelCounter(int channelIndex, ChannelCounter counter) const
{
    if (!ValidChannel(channelIndex) || !channels[channelIndex] || counter < 0 ||
        counter >= CHANNEL_COUNTER_NUM_COUNTERS)
        return 0;
    return channels[channelIndex]->GetCounter(counter);
}

void Connection::Reset()
{
    if (allocationFailed)
        return;
    for (int i = 0; i < numChannels; ++i)
        channels[i]->Reset();
}

} // namespace Net
