#pragma once

#include "Net/Memory.h"
#include "Net/SequenceBuffer.h"

#include <cstdint>

namespace Net
{

// Settings of one ReliableEndpoint and the two calls through which it meets the layer below
// (transmit) and the layer above (process).
struct ReliableConfig
{
    // Handed back on every call, with the endpoint's index (a client slot, say).
    void* context = nullptr;
    int index = 0;
    // Largest payload SendPacket takes and ReceivePacket hands on.
    int maxPacketSize = 16 * 1024;
    // Payloads above this many bytes go out as fragments of fragmentSize bytes, at most
    // maxFragments (no more than 256) of them.
    int fragmentAbove = 1024;
    int fragmentSize = 1024;
    int maxFragments = 16;
    // Fragmented packets being put together at once.
    int fragmentReassemblyBufferSize = 16;
    int sentPacketsBufferSize = 256;
    int receivedPacketsBufferSize = 256;
    // Acknowledged sequences kept until ClearAcks; further acks in between are not reported.
    int ackBufferSize = 256;
    // Weight of each new sample in the round-trip and packet-loss averages.
    float rttSmoothingFactor = 0.1f;
    float packetLossSmoothingFactor = 0.1f;

    // Sends one packet as it goes on the wire: a whole packet or one fragment of it.
    void (*transmit)(void* context, int index, uint16_t sequence, const uint8_t* packet, int bytes) = nullptr;
    // Takes the payload of a packet that arrived whole and valid. Returning false refuses it: the
    // packet is then neither acknowledged nor remembered, and the acks it carries are ignored.
    bool (*process)(void* context, int index, uint16_t sequence, const uint8_t* payload, int bytes) = nullptr;
};

enum ReliableCounter
{
    RELIABLE_COUNTER_PACKETS_SENT,
    RELIABLE_COUNTER_PACKETS_RECEIVED,
    RELIABLE_COUNTER_PACKETS_ACKED,
    RELIABLE_COUNTER_PACKETS_STALE,
    RELIABLE_COUNTER_PACKETS_DUPLICATE,
    RELIABLE_COUNTER_PACKETS_INVALID,
    RELIABLE_COUNTER_PACKETS_REFUSED,
    RELIABLE_COUNTER_PACKETS_TOO_LARGE_TO_SEND,
    RELIABLE_COUNTER_PACKETS_TOO_LARGE_TO_RECEIVE,
    RELIABLE_COUNTER_FRAGMENTS_SENT,
    RELIABLE_COUNTER_FRAGMENTS_RECEIVED,
    RELIABLE_COUNTER_FRAGMENTS_INVALID,
    RELIABLE_COUNTER_BYTES_SENT,
    RELIABLE_COUNTER_BYTES_RECEIVED,
    RELIABLE_COUNTER_NUM_COUNTERS,
};

// One end of a stream of unreliable packets that learns which of its packets arrived. Each packet
// carries its own 16-bit sequence, the newest sequence received from the other end and 32 bits for
// the packets before that one, so every ack travels many times. Large payloads are split into
// fragments and put together again on arrival. Round-trip time and packet loss are estimated from
// the acks. Owned by a connection; used from one thread.
//
// Wire format, all integers little-endian. A whole packet: a flag byte (bit 0 clear; bit 1: an ack
// follows; bit 2: the ack is one byte, the distance back from this packet's sequence, else two
// bytes; bits 3 to 6: ack-bit byte 0 to 3 present, an absent one being all ones; bit 7 clear), the
// sequence (2 bytes), the ack, the present ack-bit bytes, then the payload. A fragment: the byte 1,
// the sequence (2 bytes), the fragment index, the fragment count minus one, then its part of the
// whole packet; every fragment but the last carries exactly fragmentSize bytes.
class ReliableEndpoint
{
public:
    static constexpr int MaxHeaderBytes = 9;
    static constexpr int FragmentHeaderBytes = 5;

    ReliableEndpoint(const ReliableConfig& config, Allocator& allocator, double time);
    ~ReliableEndpoint();
    ReliableEndpoint(const ReliableEndpoint&) = delete;
    ReliableEndpoint& operator=(const ReliableEndpoint&) = delete;

    // False when the buffers could not be allocated; the endpoint then sends and receives nothing.
    bool IsValid() const { return valid; }

    // The sequence the next SendPacket will use.
    uint16_t NextPacketSequence() const { return sequence; }
    // An empty payload is a valid packet: it still carries acks.
    void SendPacket(const uint8_t* payload, int bytes);
    void ReceivePacket(const uint8_t* packet, int bytes);

    // Sequences of our packets acknowledged since the last ClearAcks, each reported once.
    const uint16_t* GetAcks(int& count) const
    {
        count = numAcks;
        return acks;
    }
    void ClearAcks() { numAcks = 0; }

    void Update(double time);
    void Reset();

    // Smoothed round-trip time in milliseconds; 0 until the first ack.
    float GetRtt() const { return rtt; }
    // Smoothed share of packets that went unacknowledged, in percent.
    float GetPacketLoss() const { return packetLoss; }
    const uint64_t* GetCounters() const { return counters; }

private:
    struct SentPacket
    {
        double time;
        bool acked;
    };
    struct ReceivedPacket
    {
        double time;
    };
    struct Reassembly
    {
        int numFragments;
        int numReceived;
        int totalBytes;
        uint8_t received[256 / 8];
    };

    int WriteHeader(uint8_t* header, uint16_t packetSequence) const;
    void ReceiveFragment(const uint8_t* packet, int bytes);
    void ReceiveWhole(const uint8_t* packet, int bytes, bool fromFragments, uint16_t fragmentSequence);
    void ProcessAck(uint16_t ack);
    void Count(ReliableCounter counter, uint64_t amount = 1) { counters[counter] += amount; }

    ReliableConfig config;
    Allocator& allocator;
    double time;
    bool valid = false;
    bool receivedAny = false;
    uint16_t sequence = 0;
    float rtt = 0.0f;
    float packetLoss = 0.0f;
    int numAcks = 0;
    uint16_t* acks = nullptr;
    uint8_t* packetBuffer = nullptr;
    uint8_t* fragmentBuffer = nullptr;
    uint8_t* reassemblyMemory = nullptr;
    int reassemblySlotBytes = 0;
    SequenceBuffer<SentPacket> sentPackets;
    SequenceBuffer<ReceivedPacket> receivedPackets;
    SequenceBuffer<Reassembly> reassembly;
    uint64_t counters[RELIABLE_COUNTER_NUM_COUNTERS] = {};
};

} // namespace Net
