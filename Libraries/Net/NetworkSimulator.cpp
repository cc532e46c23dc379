#include "Net/NetworkSimulator.h"

#include "Net/Log.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace Net
{

namespace
{
// Room for the packets in flight: enough for full-size datagrams in the usual case.
constexpr size_t PoolBytesPerPacket = 1536;
} // namespace

NetworkSimulator::NetworkSimulator(Allocator& allocator, int numPackets, double time)
    : allocator(allocator), time(time), numEntries(std::max(numPackets, 1))
{
    SetSeed(0);
    entries = NET_NEW_ARRAY(allocator, Entry, size_t(numEntries));
    delivered = NET_NEW_ARRAY(allocator, int, size_t(numEntries));
    size_t poolBytes = size_t(numEntries) * PoolBytesPerPacket;
    poolMemory = NET_ALLOCATE(allocator, poolBytes);
    if (poolMemory)
        pool = NET_NEW(allocator, BlockAllocator, poolMemory, poolBytes);
    if (!entries || !delivered || !pool)
        NET_LOG_ERROR("network simulator could not allocate room for %d packets", numEntries);
}

NetworkSimulator::~NetworkSimulator()
{
    DiscardPackets();
    NET_DELETE(allocator, pool);
    NET_FREE(allocator, poolMemory);
    NET_DELETE_ARRAY(allocator, delivered);
    NET_DELETE_ARRAY(allocator, entries);
}

void NetworkSimulator::SetLatency(float milliseconds)
{
    latency = std::max(milliseconds, 0.0f);
}

void NetworkSimulator::SetJitter(float milliseconds)
{
    jitter = std::max(milliseconds, 0.0f);
}

void NetworkSimulator::SetPacketLoss(float percent)
{
    packetLoss = std::clamp(percent, 0.0f, 100.0f);
}

void NetworkSimulator::SetDuplicates(float percent)
{
    duplicates = std::clamp(percent, 0.0f, 100.0f);
}

void NetworkSimulator::SetSeed(uint64_t seed)
{
    randomState = seed;
}

bool NetworkSimulator::IsActive() const
{
    return latency > 0.0f || jitter > 0.0f || packetLoss > 0.0f || duplicates > 0.0f;
}

double NetworkSimulator::Random()
{
    // splitmix64: small, fast, and the same sequence on every machine for a given seed.
    uint64_t z = (randomState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return double(z >> 11) * (1.0 / 9007199254740992.0);
}

void NetworkSimulator::Queue(int to, const uint8_t* data, int bytes, const Address& address, const Address& from,
                             double delay)
{
    if (!entries || !pool)
        return;
    int slot = -1;
    for (int i = 0; i < numEntries; ++i)
    {
        int candidate = (nextEntry + i) % numEntries;
        if (!entries[candidate].data)
        {
            slot = candidate;
            break;
        }
    }
    uint8_t* copy = slot >= 0 ? static_cast<uint8_t*>(NET_ALLOCATE(*pool, size_t(bytes))) : nullptr;
    if (!copy)
    {
        pool->ClearError();
        ++packetsOverflowed;
        return;
    }
    std::memcpy(copy, data, size_t(bytes));
    entries[slot] = {time + delay, copy, bytes, to, address, from};
    nextEntry = (slot + 1) % numEntries;
}

void NetworkSimulator::SendPacket(int to, const uint8_t* data, int bytes, const Address& address, const Address& from)
{
    if (!data || bytes <= 0)
        return;
    if (Random() * 100.0 < packetLoss)
        return;
    auto delay = [this]
    {
        double variation = jitter > 0.0f ? (Random() * 2.0 - 1.0) * jitter : 0.0;
        return std::max(0.0, (latency + variation) / 1000.0);
    };
    Queue(to, data, bytes, address, from, delay());
    if (Random() * 100.0 < duplicates)
        Queue(to, data, bytes, address, from, delay());
}

void NetworkSimulator::FreeDelivered()
{
    for (int i = 0; i < numDelivered; ++i)
    {
        Entry& entry = entries[delivered[i]];
        NET_FREE(*pool, entry.data);
        entry = {};
    }
    numDelivered = 0;
}

void NetworkSimulator::AdvanceTime(double now)
{
    FreeDelivered();
    time = now;
}

int NetworkSimulator::ReceivePackets(int maxPackets, Packet packets[])
{
    FreeDelivered();
    if (!entries || !packets || maxPackets <= 0)
        return 0;
    maxPackets = std::min(maxPackets, numEntries);
    // Keep the earliest due packets, in delivery order, by insertion into the sorted list.
    for (int i = 0; i < numEntries; ++i)
    {
        const Entry& entry = entries[i];
        if (!entry.data || entry.deliveryTime > time)
            continue;
        if (numDelivered == maxPackets && entry.deliveryTime >= entries[delivered[numDelivered - 1]].deliveryTime)
            continue;
        // When the list is full its last packet makes way.
        int position = std::min(numDelivered, maxPackets - 1);
        while (position > 0 && entries[delivered[position - 1]].deliveryTime > entry.deliveryTime)
        {
            delivered[position] = delivered[position - 1];
            --position;
        }
        delivered[position] = i;
        numDelivered = std::min(numDelivered + 1, maxPackets);
    }
    for (int i = 0; i < numDelivered; ++i)
    {
        const Entry& entry = entries[delivered[i]];
        packets[i] = {entry.to, entry.data, entry.bytes, entry.address, entry.from};
    }
    return numDelivered;
}

void NetworkSimulator::DiscardPackets()
{
    FreeDelivered();
    if (!entries)
        return;
    for (int i = 0; i < numEntries; ++i)
    {
        if (entries[i].data)
            NET_FREE(*pool, entries[i].data);
        entries[i] = {};
    }
}

void NetworkSimulator::DiscardPacketsTo(int to)
{
    FreeDelivered();
    if (!entries)
        return;
    for (int i = 0; i < numEntries; ++i)
    {
        if (entries[i].data && entries[i].to == to)
        {
            NET_FREE(*pool, entries[i].data);
            entries[i] = {};
        }
    }
}

void NetworkSimulator::Flush(Transport& wire, double now, double step, bool everything)
{
    // A stall is no step: it looks no further ahead than a tenth of a second would.
    AdvanceTime(everything ? std::numeric_limits<double>::infinity() : now + std::clamp(step, 0.0, 0.1) / 2.0);
    constexpr int Batch = 64;
    Packet packets[Batch];
    while (int count = ReceivePackets(Batch, packets))
        for (int i = 0; i < count; ++i)
            wire.SendFrom(packets[i].from, packets[i].address, packets[i].data, packets[i].bytes);
    AdvanceTime(now);
}

} // namespace Net
