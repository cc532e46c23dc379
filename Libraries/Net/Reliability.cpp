#include "Net/Reliability.h"

#include "Net/Log.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace Net
{

namespace
{
constexpr uint8_t FlagFragment = 1 << 0;
constexpr uint8_t FlagHasAck = 1 << 1;
constexpr uint8_t FlagShortAck = 1 << 2;
constexpr int AckBitsShift = 3;
constexpr uint8_t FlagReserved = 1 << 7;

ReliableConfig Sanitized(ReliableConfig config)
{
    config.maxPacketSize = std::max(config.maxPacketSize, 0);
    config.fragmentSize = std::max(config.fragmentSize, 1);
    config.maxFragments = std::clamp(config.maxFragments, 1, 256);
    config.fragmentAbove = std::max(config.fragmentAbove, 0);
    config.ackBufferSize = std::max(config.ackBufferSize, 1);
    return config;
}
} // namespace

ReliableEndpoint::ReliableEndpoint(const ReliableConfig& requested, Allocator& allocator, double time)
    : config(Sanitized(requested)), allocator(allocator), time(time),
      sentPackets(allocator, config.sentPacketsBufferSize),
      receivedPackets(allocator, config.receivedPacketsBufferSize),
      reassembly(allocator, config.fragmentReassemblyBufferSize)
{
    reassemblySlotBytes = config.maxFragments * config.fragmentSize;
    acks = NET_NEW_ARRAY(allocator, uint16_t, size_t(config.ackBufferSize));
    packetBuffer = NET_NEW_ARRAY(allocator, uint8_t, size_t(MaxHeaderBytes + config.maxPacketSize));
    fragmentBuffer = NET_NEW_ARRAY(allocator, uint8_t, size_t(FragmentHeaderBytes + config.fragmentSize));
    reassemblyMemory = NET_NEW_ARRAY(allocator, uint8_t, size_t(reassembly.GetSize()) * size_t(reassemblySlotBytes));
    valid = acks && packetBuffer && fragmentBuffer && reassemblyMemory && sentPackets.IsValid() &&
            receivedPackets.IsValid() && reassembly.IsValid();
    if (!valid)
        NET_RELIABLE_LOG_ERROR("reliable endpoint %d could not allocate its buffers", config.index);
}

ReliableEndpoint::~ReliableEndpoint()
{
    NET_DELETE_ARRAY(allocator, reassemblyMemory);
    NET_DELETE_ARRAY(allocator, fragmentBuffer);
    NET_DELETE_ARRAY(allocator, packetBuffer);
    NET_DELETE_ARRAY(allocator, acks);
}

void ReliableEndpoint::Reset()
{
    sequence = 0;
    receivedAny = false;
    rtt = 0.0f;
    packetLoss = 0.0f;
    numAcks = 0;
    sentPackets.Reset();
    receivedPackets.Reset();
    reassembly.Reset();
    std::fill(std::begin(counters), std::end(counters), 0);
}

int ReliableEndpoint::WriteHeader(uint8_t* header, uint16_t packetSequence) const
{
    int bytes = 3;
    header[1] = static_cast<uint8_t>(packetSequence);
    header[2] = static_cast<uint8_t>(packetSequence >> 8);
    uint8_t flags = 0;
    if (receivedAny)
    {
        flags |= FlagHasAck;
        uint16_t ack = uint16_t(receivedPackets.GetSequence() - 1);
        uint16_t distance = uint16_t(packetSequence - ack);
        if (distance <= 0xFF)
        {
            flags |= FlagShortAck;
            header[bytes++] = static_cast<uint8_t>(distance);
        }
        else
        {
            header[bytes++] = static_cast<uint8_t>(ack);
            header[bytes++] = static_cast<uint8_t>(ack >> 8);
        }
        uint32_t ackBits = 0;
        for (int i = 0; i < 32; ++i)
            if (receivedPackets.Exists(uint16_t(ack - 1 - i)))
                ackBits |= uint32_t(1) << i;
        // Under steady traffic most ack-bit bytes are all ones, so those stay off the wire.
        for (int i = 0; i < 4; ++i)
        {
            uint8_t byte = static_cast<uint8_t>(ackBits >> (8 * i));
            if (byte != 0xFF)
            {
                flags |= uint8_t(1 << (AckBitsShift + i));
                header[bytes++] = byte;
            }
        }
    }
    header[0] = flags;
    return bytes;
}

void ReliableEndpoint::SendPacket(const uint8_t* payload, int bytes)
{
    if (!valid || bytes < 0 || (bytes > 0 && !payload))
        return;
    if (bytes > config.maxPacketSize)
    {
        Count(RELIABLE_COUNTER_PACKETS_TOO_LARGE_TO_SEND);
        NET_RELIABLE_LOG_ERROR("packet of %d bytes is above the largest of %d", bytes, config.maxPacketSize);
        return;
    }
    uint16_t packetSequence = sequence;
    int headerBytes = WriteHeader(packetBuffer, packetSequence);
    int total = headerBytes + bytes;
    bool fragmented = bytes > config.fragmentAbove;
    int numFragments = (total + config.fragmentSize - 1) / config.fragmentSize;
    if (fragmented && numFragments > config.maxFragments)
    {
        Count(RELIABLE_COUNTER_PACKETS_TOO_LARGE_TO_SEND);
        NET_RELIABLE_LOG_ERROR("packet of %d bytes needs %d fragments, more than %d", bytes, numFragments,
                               config.maxFragments);
        return;
    }

    ++sequence;
    SentPacket* sent = sentPackets.Insert(packetSequence);
    sent->time = time;
    sent->acked = false;
    if (bytes > 0)
        std::memcpy(packetBuffer + headerBytes, payload, size_t(bytes));
    Count(RELIABLE_COUNTER_PACKETS_SENT);

    if (!fragmented)
    {
        Count(RELIABLE_COUNTER_BYTES_SENT, uint64_t(total));
        if (config.transmit)
            config.transmit(config.context, config.index, packetSequence, packetBuffer, total);
        return;
    }
    for (int fragment = 0; fragment < numFragments; ++fragment)
    {
        int offset = fragment * config.fragmentSize;
        int pieceBytes = std::min(config.fragmentSize, total - offset);
        fragmentBuffer[0] = FlagFragment;
        fragmentBuffer[1] = static_cast<uint8_t>(packetSequence);
        fragmentBuffer[2] = static_cast<uint8_t>(packetSequence >> 8);
        fragmentBuffer[3] = static_cast<uint8_t>(fragment);
        fragmentBuffer[4] = static_cast<uint8_t>(numFragments - 1);
        std::memcpy(fragmentBuffer + FragmentHeaderBytes, packetBuffer + offset, size_t(pieceBytes));
        Count(RELIABLE_COUNTER_FRAGMENTS_SENT);
        Count(RELIABLE_COUNTER_BYTES_SENT, uint64_t(FragmentHeaderBytes + pieceBytes));
        if (config.transmit)
            config.transmit(config.context, config.index, packetSequence, fragmentBuffer,
                            FragmentHeaderBytes + pieceBytes);
    }
}

void ReliableEndpoint::ReceivePacket(const uint8_t* packet, int bytes)
{
    if (!valid)
        return;
    if (!packet || bytes < 1)
    {
        Count(RELIABLE_COUNTER_PACKETS_INVALID);
        return;
    }
    Count(RELIABLE_COUNTER_BYTES_RECEIVED, uint64_t(bytes));
    if (packet[0] & FlagFragment)
        ReceiveFragment(packet, bytes);
    else
        ReceiveWhole(packet, bytes, false, 0);
}

void ReliableEndpoint::ReceiveFragment(const uint8_t* packet, int bytes)
{
    if (bytes <= FragmentHeaderBytes || packet[0] != FlagFragment)
    {
        Count(RELIABLE_COUNTER_FRAGMENTS_INVALID);
        return;
    }
    uint16_t packetSequence = uint16_t(packet[1] | (packet[2] << 8));
    int fragment = packet[3];
    int numFragments = packet[4] + 1;
    int pieceBytes = bytes - FragmentHeaderBytes;
    bool last = fragment == numFragments - 1;
    if (numFragments > config.maxFragments || fragment >= numFragments || pieceBytes > config.fragmentSize ||
        (!last && pieceBytes != config.fragmentSize))
    {
        Count(RELIABLE_COUNTER_FRAGMENTS_INVALID);
        return;
    }
    if (receivedPackets.Exists(packetSequence))
    {
        Count(RELIABLE_COUNTER_PACKETS_DUPLICATE);
        return;
    }
    if (receivedPackets.IsTooOld(packetSequence) || reassembly.IsTooOld(packetSequence))
    {
        Count(RELIABLE_COUNTER_PACKETS_STALE);
        return;
    }

    Reassembly* entry = reassembly.Find(packetSequence);
    if (!entry)
    {
        entry = reassembly.Insert(packetSequence);
        entry->numFragments = numFragments;
    }
    else if (entry->numFragments != numFragments)
    {
        Count(RELIABLE_COUNTER_FRAGMENTS_INVALID);
        return;
    }
    uint8_t bit = uint8_t(1 << (fragment % 8));
    if (entry->received[fragment / 8] & bit)
        return;
    entry->received[fragment / 8] |= bit;
    ++entry->numReceived;
    if (last)
        entry->totalBytes = fragment * config.fragmentSize + pieceBytes;
    Count(RELIABLE_COUNTER_FRAGMENTS_RECEIVED);

    uint8_t* slot = reassemblyMemory + size_t(reassembly.IndexOf(packetSequence)) * size_t(reassemblySlotBytes);
    std::memcpy(slot + size_t(fragment) * size_t(config.fragmentSize), packet + FragmentHeaderBytes,
                size_t(pieceBytes));
    if (entry->numReceived < entry->numFragments)
        return;
    int totalBytes = entry->totalBytes;
    reassembly.Remove(packetSequence);
    // The slot's bytes stay untouched until another fragment arrives, which cannot happen while
    // the whole packet is handed on below.
    ReceiveWhole(slot, totalBytes, true, packetSequence);
}

void ReliableEndpoint::ReceiveWhole(const uint8_t* packet, int bytes, bool fromFragments, uint16_t fragmentSequence)
{
    uint8_t flags = packet[0];
    bool hasAck = flags & FlagHasAck;
    if ((flags & (FlagFragment | FlagReserved)) || (!hasAck && (flags & ~FlagHasAck)))
    {
        Count(RELIABLE_COUNTER_PACKETS_INVALID);
        return;
    }
    int headerBytes = 3;
    if (hasAck)
    {
        headerBytes += (flags & FlagShortAck) ? 1 : 2;
        for (int i = 0; i < 4; ++i)
            if (flags & (1 << (AckBitsShift + i)))
                ++headerBytes;
    }
    if (bytes < headerBytes)
    {
        Count(RELIABLE_COUNTER_PACKETS_INVALID);
        return;
    }
    uint16_t packetSequence = uint16_t(packet[1] | (packet[2] << 8));
    if (fromFragments && packetSequence != fragmentSequence)
    {
        Count(RELIABLE_COUNTER_PACKETS_INVALID);
        return;
    }
    int payloadBytes = bytes - headerBytes;
    if (payloadBytes > config.maxPacketSize)
    {
        Count(RELIABLE_COUNTER_PACKETS_TOO_LARGE_TO_RECEIVE);
        return;
    }
    if (receivedPackets.Exists(packetSequence))
    {
        Count(RELIABLE_COUNTER_PACKETS_DUPLICATE);
        return;
    }
    if (receivedPackets.IsTooOld(packetSequence))
    {
        Count(RELIABLE_COUNTER_PACKETS_STALE);
        return;
    }
    if (config.process &&
        !config.process(config.context, config.index, packetSequence, packet + headerBytes, payloadBytes))
    {
        Count(RELIABLE_COUNTER_PACKETS_REFUSED);
        return;
    }

    receivedPackets.Insert(packetSequence)->time = time;
    receivedAny = true;
    Count(RELIABLE_COUNTER_PACKETS_RECEIVED);
    if (!hasAck)
        return;
    int offset = 3;
    uint16_t ack;
    if (flags & FlagShortAck)
        ack = uint16_t(packetSequence - packet[offset++]);
    else
    {
        ack = uint16_t(packet[offset] | (packet[offset + 1] << 8));
        offset += 2;
    }
    uint32_t ackBits = 0;
    for (int i = 0; i < 4; ++i)
    {
        uint32_t byte = (flags & (1 << (AckBitsShift + i))) ? packet[offset++] : 0xFFu;
        ackBits |= byte << (8 * i);
    }
    ProcessAck(ack);
    for (int i = 0; i < 32; ++i)
        if (ackBits & (uint32_t(1) << i))
            ProcessAck(uint16_t(ack - 1 - i));
}

void ReliableEndpoint::ProcessAck(uint16_t ack)
{
    SentPacket* sent = sentPackets.Find(ack);
    if (!sent || sent->acked)
        return;
    sent->acked = true;
    Count(RELIABLE_COUNTER_PACKETS_ACKED);
    if (numAcks < config.ackBufferSize)
        acks[numAcks++] = ack;
    float sample = static_cast<float>((time - sent->time) * 1000.0);
    if (rtt == 0.0f)
        rtt = sample;
    else
        rtt += (sample - rtt) * config.rttSmoothingFactor;
}

void ReliableEndpoint::Update(double now)
{
    time = now;
    if (!valid)
        return;
    // A packet counts as lost once its ack is well overdue; the newest packets are not judged yet.
    double overdue = std::max(0.25, 2.0 * rtt / 1000.0);
    int window = sentPackets.GetSize() / 2;
    int judged = 0;
    int lost = 0;
    for (int i = 1; i <= window; ++i)
    {
        const SentPacket* sent = sentPackets.Find(uint16_t(sequence - i));
        if (!sent || time - sent->time < overdue)
            continue;
        ++judged;
        if (!sent->acked)
            ++lost;
    }
    if (judged > 0)
    {
        float sample = 100.0f * static_cast<float>(lost) / static_cast<float>(judged);
        packetLoss += (sample - packetLoss) * config.packetLossSmoothingFactor;
    }
}

} // namespace Net
