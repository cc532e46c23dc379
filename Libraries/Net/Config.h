#pragma once

#include <cstdint>

namespace Net
{

constexpr int MaxChannels = 64;

enum ChannelType
{
    // Resent until acknowledged; delivered once each and in the order sent.
    CHANNEL_TYPE_RELIABLE_ORDERED = 0,
    // Sent once; may be lost, and arrives in whatever order its packets do.
    CHANNEL_TYPE_UNRELIABLE_UNORDERED = 1,
};

// One message channel of a connection. Both ends of a connection use the same settings.
struct ChannelConfig
{
    ChannelType type = CHANNEL_TYPE_RELIABLE_ORDERED;
    // Packets remembered for matching acks to the reliable messages they carried; acks of older
    // packets are not reported by the reliability layer anyway.
    int sentPacketBufferSize = 256;
    int messageSendQueueSize = 1024;
    int messageReceiveQueueSize = 1024;
    int maxMessagesPerPacket = 256;
    // Bytes of a packet this channel may fill; -1 for whatever the packet has left.
    int packetBudget = -1;
    // Seconds before a reliable message that is not yet acknowledged is sent again.
    float messageResendTime = 0.1f;
};

// The message channels of one connection and the largest packet payload it may write.
struct ConnectionConfig
{
    int numChannels = 1;
    int maxPacketSize = 8 * 1024;
    ChannelConfig channel[MaxChannels];
};

// Everything a client and a server must agree on, plus the memory each may use.
struct ClientServerConfig : ConnectionConfig
{
    uint64_t protocolId = 0;
    // Seconds without a packet before a connection times out; negative never times out.
    int timeout = 10;
    // The timeouts a server admits in its clients' tokens; a request naming another is refused. The
    // defaults take any, a negative one included.
    int minimumTokenTimeout = INT32_MIN;
    int maximumTokenTimeout = INT32_MAX;
    // Seconds of real time a server spends on connection requests in one update, above which the
    // update's further requests are dropped unread; 0 bounds nothing.
    double requestTimePerUpdate = 0.0;
    // Seconds of real time a server spends reading packets in one update; 0 bounds them by count alone.
    double receiveTimePerUpdate = 0.0;
    // A full server challenges a request all the same and denies it only when its client answers, so
    // that the adapter's admission check learns which denied clients receive at their address.
    bool challengeWhenFull = false;
    // Bytes for the client, for the server's own use, and for each of the server's client slots.
    int clientMemory = 10 * 1024 * 1024;
    int serverGlobalMemory = 10 * 1024 * 1024;
    int serverPerClientMemory = 10 * 1024 * 1024;
    // Passes packets through a NetworkSimulator (latency, jitter, loss, duplicates) when set.
    bool networkSimulator = false;
    int maxSimulatorPackets = 4 * 1024;
    // Packets with a payload above fragmentPacketsAbove bytes travel in fragments of
    // packetFragmentSize bytes.
    int fragmentPacketsAbove = 1024;
    int packetFragmentSize = 1024;
    int maxPacketFragments = 16;
    int packetReassemblyBufferSize = 16;
    // Packet sequences remembered for acks, acknowledged packets kept between reads, and
    // packets received that acks are built from.
    int sentPacketBufferSize = 256;
    int acknowledgedPacketsBufferSize = 256;
    int receivedPacketsBufferSize = 256;
};

} // namespace Net
