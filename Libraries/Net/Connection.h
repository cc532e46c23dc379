#pragma once

#include "Net/Channel.h"
#include "Net/Config.h"
#include "Net/Memory.h"
#include "Net/Message.h"

#include <cstdint>

namespace Net
{

enum ConnectionErrorLevel
{
    CONNECTION_ERROR_NONE = 0,
    // A channel's error level is set; GetChannelErrorLevel says which.
    CONNECTION_ERROR_CHANNEL = 1,
    CONNECTION_ERROR_ALLOCATOR = 2,
    CONNECTION_ERROR_MESSAGE_FACTORY = 3,
};

// The message channels of one end of a connection, and the packet payloads that carry them. The
// layer below numbers the packets, sends them and reports which were acknowledged. Owned by a
// client or by one slot of a server; used from one thread. The allocator and the factory must
// outlive it.
//
// A payload holds: the number of channel entries ([0, numChannels]), then per entry its channel
// index (rising, [0, numChannels - 1]) and that channel's messages: their count ([1, max per
// packet]), and per message its id (reliable channels only), its type ([0, types - 1]) and its own
// fields. An empty payload (0 bytes) is valid and carries nothing.
class Connection
{
public:
    Connection(Allocator& allocator, MessageFactory& messageFactory, const ConnectionConfig& config, double time);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool CanSendMessage(int channelIndex) const;
    // Takes over the caller's reference to the message in every case. A message that cannot be
    // queued (queue full, too large for a packet, a field out of range) is released and the
    // channel's error level is set; the result is then false.
    bool SendMessage(int channelIndex, Message* message);
    // The next message received on the channel, or null; give it back with ReleaseMessage.
    Message* ReceiveMessage(int channelIndex);
    void ReleaseMessage(Message* message);
    bool HasMessagesToSend(int channelIndex) const;

    // Writes into buffer the messages that are due, at most maxBytes; returns the payload's size,
    // 0 when nothing is due (or writing failed). The packet should be sent even then, to carry acks.
    // `context` is not used by the connection.
    int GeneratePacket(void* context, uint16_t packetSequence, uint8_t* buffer, int maxBytes);
    // Takes the payload of a received packet. A malformed payload, or one whose reliable messages
    // are too far ahead to keep, is refused whole (false) and changes nothing; the packet must then
    // not be acknowledged.
    bool ProcessPacket(void* context, uint16_t packetSequence, const uint8_t* data, int bytes);
    // The layer below's acknowledged packet sequences.
    void ProcessAcks(const uint16_t* acks, int count);
    void AdvanceTime(double time);

    int GetErrorLevel() const;
    int GetChannelErrorLevel(int channelIndex) const;
    uint64_t GetChannelCounter(int channelIndex, ChannelCounter counter) const;
    // Drops every queued message and starts the channels over.
    void Reset();

    MessageFactory& GetMessageFactory() { return messageFactory; }
    int GetNumChannels() const { return numChannels; }

private:
    bool ValidChannel(int channelIndex) const { return channelIndex >= 0 && channelIndex < numChannels; }
    int EntryCountBits() const { return bits_required(0, numChannels); }
    int ChannelIndexBits() const { return bits_required(0, numChannels - 1); }
    void DiscardRead();

    Allocator& allocator;
    MessageFactory& messageFactory;
    ConnectionConfig config;
    int numChannels = 0;
    bool allocationFailed = false;
    Channel* channels[MaxChannels] = {};
    // Channels holding data of the packet being written or read, in entry order.
    int entryChannels[MaxChannels] = {};
    int numEntries = 0;
};

} // namespace Net
