#include "Net/ConnectionEndpoint.h"

#include "Net/Log.h"
#include "Net/Packet.h"

#include <algorithm>

namespace Net
{

ClientServerConfig FitToPayloads(const ClientServerConfig& config)
{
    ClientServerConfig fitted = config;
    // Whole packets and fragments each travel as one payload of the connection layer.
    fitted.fragmentPacketsAbove =
        std::clamp(config.fragmentPacketsAbove, 0, MaxPayloadBytes - ReliableEndpoint::MaxHeaderBytes);
    fitted.packetFragmentSize =
        std::clamp(config.packetFragmentSize, 1, MaxPayloadBytes - ReliableEndpoint::FragmentHeaderBytes);
    fitted.maxPacketFragments = std::clamp(config.maxPacketFragments, 1, 256);
    int largest = std::max(fitted.fragmentPacketsAbove,
                           fitted.maxPacketFragments * fitted.packetFragmentSize - ReliableEndpoint::MaxHeaderBytes);
    fitted.maxPacketSize = std::clamp(config.maxPacketSize, 1, largest);
    if (fitted.fragmentPacketsAbove != config.fragmentPacketsAbove ||
        fitted.packetFragmentSize != config.packetFragmentSize ||
        fitted.maxPacketFragments != config.maxPacketFragments || fitted.maxPacketSize != config.maxPacketSize)
        NET_LOG_INFO("packets limited to %d bytes, fragments of %d above %d bytes", fitted.maxPacketSize,
                     fitted.packetFragmentSize, fitted.fragmentPacketsAbove);
    return fitted;
}

bool ConnectionEndpoint::Create(Allocator& from, size_t memoryBytes, Adapter& adapter, const ClientServerConfig& config,
                                int endpointIndex, TransmitFunction transmitFunction, void* transmitContext,
                                double time)
{
    Destroy();
    parent = &from;
    index = endpointIndex;
    transmit = transmitFunction;
    context = transmitContext;
    ClientServerConfig fitted = FitToPayloads(config);

    memory = NET_ALLOCATE(from, memoryBytes);
    if (memory)
        allocator = adapter.CreateAllocator(from, memory, memoryBytes);
    if (allocator)
        factory = adapter.CreateMessageFactory(*allocator);
    if (factory)
    {
        connection = NET_NEW(*allocator, Connection, *allocator, *factory, fitted, time);
        packetBytes = fitted.maxPacketSize;
        packetBuffer = NET_NEW_ARRAY(*allocator, uint8_t, size_t(packetBytes));

        ReliableConfig reliableConfig;
        reliableConfig.context = this;
        reliableConfig.index = index;
        reliableConfig.maxPacketSize = fitted.maxPacketSize;
        reliableConfig.fragmentAbove = fitted.fragmentPacketsAbove;
        reliableConfig.fragmentSize = fitted.packetFragmentSize;
        reliableConfig.maxFragments = fitted.maxPacketFragments;
        reliableConfig.fragmentReassemblyBufferSize = fitted.packetReassemblyBufferSize;
        reliableConfig.sentPacketsBufferSize = fitted.sentPacketBufferSize;
        reliableConfig.receivedPacketsBufferSize = fitted.receivedPacketsBufferSize;
        reliableConfig.ackBufferSize = fitted.acknowledgedPacketsBufferSize;
        reliableConfig.transmit = &ConnectionEndpoint::Transmit;
        reliableConfig.process = &ConnectionEndpoint::Process;
        reliable = NET_NEW(*allocator, ReliableEndpoint, reliableConfig, *allocator, time);
    }
    if (!connection || !packetBuffer || !reliable || !reliable->IsValid() ||
        connection->GetErrorLevel() != CONNECTION_ERROR_NONE)
    {
        NET_LOG_ERROR("connection %d does not fit in %zu bytes", index, memoryBytes);
        Destroy();
        return false;
    }
    return true;
}

void ConnectionEndpoint::Destroy()
{
    if (allocator)
    {
        NET_DELETE(*allocator, reliable);
        NET_DELETE_ARRAY(*allocator, packetBuffer);
        // The channels give their queued messages back to the factory, so it goes after them.
        NET_DELETE(*allocator, connection);
        NET_DELETE(*allocator, factory);
        NET_DELETE(*parent, allocator);
    }
    if (parent)
        NET_FREE(*parent, memory);
    reliable = nullptr;
    packetBuffer = nullptr;
    connection = nullptr;
    factory = nullptr;
    allocator = nullptr;
    memory = nullptr;
    packetBytes = 0;
}

void ConnectionEndpoint::Reset()
{
    if (!IsCreated())
        return;
    connection->Reset();
    reliable->Reset();
    factory->ClearErrorLevel();
    allocator->ClearError();
}

void ConnectionEndpoint::SendPacket()
{
    if (!IsCreated())
        return;
    uint16_t sequence = reliable->NextPacketSequence();
    int bytes = connection->GeneratePacket(context, sequence, packetBuffer, packetBytes);
    reliable->SendPacket(packetBuffer, bytes);
}

void ConnectionEndpoint::ReceivePacket(const uint8_t* packet, int bytes)
{
    if (IsCreated())
        reliable->ReceivePacket(packet, bytes);
}

void ConnectionEndpoint::ProcessAcks()
{
    if (!IsCreated())
        return;
    int count = 0;
    const uint16_t* acks = reliable->GetAcks(count);
    connection->ProcessAcks(acks, count);
    reliable->ClearAcks();
}

void ConnectionEndpoint::AdvanceTime(double time)
{
    if (!IsCreated())
        return;
    reliable->Update(time);
    connection->AdvanceTime(time);
}

int ConnectionEndpoint::GetErrorLevel() const
{
    return IsCreated() ? connection->GetErrorLevel() : CONNECTION_ERROR_ALLOCATOR;
}

NetworkInfo ConnectionEndpoint::GetNetworkInfo() const
{
    NetworkInfo info;
    if (!IsCreated())
        return info;
    const uint64_t* counters = reliable->GetCounters();
    info.rtt = reliable->GetRtt();
    info.packetLoss = reliable->GetPacketLoss();
    info.numPacketsSent = counters[RELIABLE_COUNTER_PACKETS_SENT];
    info.numPacketsReceived = counters[RELIABLE_COUNTER_PACKETS_RECEIVED];
    info.numPacketsAcked = counters[RELIABLE_COUNTER_PACKETS_ACKED];
    return info;
}

void ConnectionEndpoint::Transmit(void* context, int index, uint16_t, const uint8_t* packet, int bytes)
{
    auto& endpoint = *static_cast<ConnectionEndpoint*>(context);
    if (endpoint.transmit)
        endpoint.transmit(endpoint.context, index, packet, bytes);
}

bool ConnectionEndpoint::Process(void* context, int, uint16_t sequence, const uint8_t* payload, int bytes)
{
    auto& endpoint = *static_cast<ConnectionEndpoint*>(context);
    return endpoint.connection->ProcessPacket(endpoint.context, sequence, payload, bytes);
}

} // namespace Net
