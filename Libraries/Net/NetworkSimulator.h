#pragma once

#include "Net/Address.h"
#include "Net/Memory.h"
#include "Net/Socket.h"

#include <cstdint>

namespace Net
{

// Stands between a sender and the wire to make a good network bad: each packet is delayed by the
// latency plus or minus up to the jitter, may be lost, and may arrive twice. Destinations are plain
// integers (a client slot, say). Packet bytes are copied into a pool of its own, taken once from
// the allocator; when the pool or the packet slots run out, further packets are lost. Random
// choices come from a generator with a settable seed, so a run can be repeated. Owned by a client
// or server; used from one thread.
class NetworkSimulator
{
public:
    // A packet whose delivery time has come. Its bytes stay valid until the next call to
    // ReceivePackets, AdvanceTime, DiscardPackets or DiscardPacketsTo.
    struct Packet
    {
        int to;
        const uint8_t* data;
        int bytes;
        // Where a packet on the wire goes; empty for packets sent to a plain integer only.
        Address address;
        // The address of this machine it leaves from, as Transport::SendFrom takes it.
        Address from;
    };

    NetworkSimulator(Allocator& allocator, int numPackets, double time);
    ~NetworkSimulator();
    NetworkSimulator(const NetworkSimulator&) = delete;
    NetworkSimulator& operator=(const NetworkSimulator&) = delete;

    void SetLatency(float milliseconds);
    void SetJitter(float milliseconds);
    void SetPacketLoss(float percent);
    void SetDuplicates(float percent);
    void SetSeed(uint64_t seed);
    // True when any setting would change a packet's fate.
    bool IsActive() const;

    void SendPacket(int to, const uint8_t* data, int bytes, const Address& address = Address(),
                    const Address& from = Address());
    void AdvanceTime(double time);
    // Fills up to maxPackets packets that are due, earliest first; returns how many.
    int ReceivePackets(int maxPackets, Packet packets[]);
    void DiscardPackets();
    void DiscardPacketsTo(int to);
    // Hands the packets due by now to the wire, and with everything all of them. An endpoint whose
    // updates come a step apart sends a packet at the flush nearest its delivery time rather than the
    // first one after it: the peer reads the wire once a step of its own as well, and a delay rounded
    // up at both ends would come out most of a step longer than the one simulated.
    void Flush(Transport& wire, double now, double step, bool everything);

    // Packets dropped because the simulator had no room for them (not counting simulated loss).
    uint64_t GetPacketsOverflowed() const { return packetsOverflowed; }

private:
    struct Entry
    {
        double deliveryTime;
        uint8_t* data;
        int bytes;
        int to;
        Address address;
        Address from;
    };

    double Random();
    void Queue(int to, const uint8_t* data, int bytes, const Address& address, const Address& from, double delay);
    void FreeDelivered();

    Allocator& allocator;
    double time;
    float latency = 0.0f;
    float jitter = 0.0f;
    float packetLoss = 0.0f;
    float duplicates = 0.0f;
    uint64_t randomState = 0;
    int numEntries = 0;
    Entry* entries = nullptr;
    int nextEntry = 0;
    // Entries handed out by the last ReceivePackets, freed on the next call.
    int* delivered = nullptr;
    int numDelivered = 0;
    void* poolMemory = nullptr;
    BlockAllocator* pool = nullptr;
    uint64_t packetsOverflowed = 0;
};

} // namespace Net
