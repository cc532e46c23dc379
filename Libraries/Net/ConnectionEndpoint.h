#pragma once

#include "Net/Adapter.h"
#include "Net/Config.h"
#include "Net/Connection.h"
#include "Net/Memory.h"
#include "Net/Message.h"
#include "Net/Reliability.h"

#include <cstddef>
#include <cstdint>

namespace Net
{

// How one connection fares on the wire.
struct NetworkInfo
{
    // Smoothed round-trip time in milliseconds; 0 until the first ack.
    float rtt = 0.0f;
    // Smoothed share of packets that went unacknowledged, in percent.
    float packetLoss = 0.0f;
    uint64_t numPacketsSent = 0;
    uint64_t numPacketsReceived = 0;
    uint64_t numPacketsAcked = 0;
};

// The message half of one connection, for a client or one server slot: a memory block of its own
// with the adapter's allocator over it, and inside that the message factory, the channels and the
// reliability layer. Whatever the peer makes it allocate comes out of the block, so a peer can
// exhaust its own connection but nothing beyond it. Owned by a Client or a Server; used from one
// thread; it must not move once created, since the reliability layer calls back into it.
class ConnectionEndpoint
{
public:
    // Hands one wire packet (a whole packet or a fragment) to the layer below.
    using TransmitFunction = void (*)(void* context, int index, const uint8_t* packet, int bytes);

    ConnectionEndpoint() = default;
    ~ConnectionEndpoint() { Destroy(); }
    ConnectionEndpoint(const ConnectionEndpoint&) = delete;
    ConnectionEndpoint& operator=(const ConnectionEndpoint&) = delete;

    // Takes memoryBytes from allocator and builds everything in them. False, with an error logged
    // and nothing kept, when the memory, the adapter or the budget falls short.
    bool Create(Allocator& allocator, size_t memoryBytes, Adapter& adapter, const ClientServerConfig& config, int index,
                TransmitFunction transmit, void* context, double time);
    // Releases everything; messages the application still holds must have been released before.
    void Destroy();
    bool IsCreated() const { return reliable != nullptr; }

    // Drops queued messages and packet history and clears errors, for a new peer.
    void Reset();
    // Writes the messages that are due into one packet and sends it; an empty packet still
    // carries acks.
    void SendPacket();
    // One wire packet from the peer; the messages of a complete, valid packet are queued.
    void ReceivePacket(const uint8_t* packet, int bytes);
    // Tells the channels which of their packets arrived.
    void ProcessAcks();
    void AdvanceTime(double time);

    // A ConnectionErrorLevel; anything but none means the connection cannot go on.
    int GetErrorLevel() const;
    NetworkInfo GetNetworkInfo() const;
    Connection& GetConnection() { return *connection; }
    const Connection& GetConnection() const { return *connection; }
    MessageFactory& GetMessageFactory() { return *factory; }
    Allocator& GetAllocator() { return *allocator; }

private:
    static void Transmit(void* context, int index, uint16_t sequence, const uint8_t* packet, int bytes);
    static bool Process(void* context, int index, uint16_t sequence, const uint8_t* payload, int bytes);

    Allocator* parent = nullptr;
    void* memory = nullptr;
    Allocator* allocator = nullptr;
    MessageFactory* factory = nullptr;
    Connection* connection = nullptr;
    ReliableEndpoint* reliable = nullptr;
    uint8_t* packetBuffer = nullptr;
    int packetBytes = 0;
    int index = 0;
    TransmitFunction transmit = nullptr;
    void* context = nullptr;
};

// The configuration with packet and fragment sizes brought within what one connection-layer
// payload can carry, so that every packet the channels write can also be sent.
ClientServerConfig FitToPayloads(const ClientServerConfig& config);

} // namespace Net
