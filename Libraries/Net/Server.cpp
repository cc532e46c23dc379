#include "Net/Server.h"

#include "Net/Log.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Net
{

Server::Server(Allocator& allocator, const uint8_t privateKey[KeyBytes], const Address& address,
               const ClientServerConfig& config, Adapter& adapter, double time)
    : Server(allocator, privateKey, std::make_unique<UdpSocket>(address), nullptr, config, adapter, time)
{
}

Server::Server(Allocator& allocator, const uint8_t privateKey[KeyBytes], Transport& transport,
               const ClientServerConfig& config, Adapter& adapter, double time)
    : Server(allocator, privateKey, nullptr, &transport, config, adapter, time)
{
}

Server::Server(Allocator& allocator, const uint8_t privateKey[KeyBytes], std::unique_ptr<UdpSocket> ownedSocket,
               Transport* transport, const ClientServerConfig& config, Adapter& adapter, double time)
    : allocator(allocator), adapter(adapter), config(config), socket(std::move(ownedSocket)),
      wire(socket ? socket.get() : transport), netcode(MakeNetcodeConfig(privateKey, config, this), wire, time),
      time(time)
{
    size_t globalBytes = size_t(std::max(config.serverGlobalMemory, 0));
    globalMemory = NET_ALLOCATE(allocator, globalBytes);
    if (globalMemory)
        globalAllocator = adapter.CreateAllocator(allocator, globalMemory, globalBytes);
    if (!globalAllocator)
    {
        NET_LOG_ERROR("server: could not set up its %zu bytes of memory", globalBytes);
        return;
    }
    if (config.networkSimulator)
    {
        simulator = NET_NEW(*globalAllocator, NetworkSimulator, *globalAllocator, config.maxSimulatorPackets, time);
        if (!simulator)
            NET_LOG_ERROR("server: no memory for the network simulator");
    }
}

Server::~Server()
{
    Stop();
    if (globalAllocator)
        NET_DELETE(*globalAllocator, simulator);
    NET_DELETE(allocator, globalAllocator);
    NET_FREE(allocator, globalMemory);
}

NetcodeServerConfig Server::MakeNetcodeConfig(const uint8_t privateKey[KeyBytes], const ClientServerConfig& config,
                                              Server* server)
{
    NetcodeServerConfig netcodeConfig;
    netcodeConfig.protocolId = config.protocolId;
    netcodeConfig.minimumTimeout = config.minimumTokenTimeout;
    netcodeConfig.maximumTimeout = config.maximumTokenTimeout;
    netcodeConfig.requestTimePerUpdate = config.requestTimePerUpdate;
    netcodeConfig.receiveTimePerUpdate = config.receiveTimePerUpdate;
    netcodeConfig.challengeWhenFull = config.challengeWhenFull;
    netcodeConfig.admitCallback = &Server::AdmitClient;
    std::memcpy(netcodeConfig.privateKey, privateKey, KeyBytes);
    netcodeConfig.connectCallback = &Server::OnClientConnection;
    netcodeConfig.callbackContext = server;
    netcodeConfig.sendFunction = &Server::SendRaw;
    netcodeConfig.sendContext = server;
    return netcodeConfig;
}

bool Server::Start(int clientCount)
{
    Stop();
    if (clientCount < 1 || clientCount > NetcodeMaxClients)
    {
        NET_LOG_ERROR("server: cannot start with %d clients, expected 1 to %d", clientCount, NetcodeMaxClients);
        return false;
    }
    if (!globalAllocator)
        return false;
    if (socket && !socket->IsOpen())
    {
        NET_LOG_ERROR("server: cannot start without its socket");
        return false;
    }
    slots = static_cast<ConnectionEndpoint*>(
        NET_ALLOCATE(*globalAllocator, sizeof(ConnectionEndpoint) * size_t(clientCount)));
    if (!slots)
    {
        NET_LOG_ERROR("server: no memory for %d client slots", clientCount);
        return false;
    }
    maxClients = clientCount;
    for (int i = 0; i < maxClients; ++i)
        new (&slots[i]) ConnectionEndpoint();
    size_t slotBytes = size_t(std::max(config.serverPerClientMemory, 0));
    for (int i = 0; i < maxClients; ++i)
    {
        if (!slots[i].Create(allocator, slotBytes, adapter, config, i, &Server::TransmitPacket, this, time))
        {
            DestroySlots();
            return false;
        }
    }
    if (!netcode.Start(maxClients))
    {
        DestroySlots();
        return false;
    }
    running = true;
    return true;
}

void Server::Stop()
{
    if (!running)
        return;
    // The connection layer reports each client's departure while the slots still exist.
    netcode.Stop();
    // The disconnect packets are on their way; a stopping server does not hold them back.
    FlushSimulator(true);
    DestroySlots();
    running = false;
}

void Server::DestroySlots()
{
    if (!slots)
        return;
    for (int i = 0; i < maxClients; ++i)
        slots[i].~ConnectionEndpoint();
    NET_FREE(*globalAllocator, slots);
    slots = nullptr;
    maxClients = 0;
}

bool Server::AdmitClient(void* context, const Address& from, uint64_t clientId, bool answered)
{
    return static_cast<Server*>(context)->adapter.AdmitServerClient(from, clientId, answered);
}

void Server::OnClientConnection(void* context, int clientIndex, bool connected)
{
    Server& server = *static_cast<Server*>(context);
    if (!server.slots || clientIndex < 0 || clientIndex >= server.maxClients)
        return;
    // Nothing queued for or from the slot's previous client may reach the next one. Packets in
    // the simulator are already on the wire, sealed for the connection they belong to.
    if (connected)
    {
        server.slots[clientIndex].Reset();
        server.adapter.OnServerClientConnected(clientIndex);
    }
    else
    {
        server.adapter.OnServerClientDisconnected(clientIndex);
        server.slots[clientIndex].Reset();
    }
}

void Server::TransmitPacket(void* context, int clientIndex, const uint8_t* packet, int bytes)
{
    static_cast<Server*>(context)->netcode.SendPayload(clientIndex, packet, bytes);
}

bool Server::SendRaw(void* context, const Address& from, const Address& to, const uint8_t* data, int bytes)
{
    Server& server = *static_cast<Server*>(context);
    if (server.simulator)
    {
        server.simulator->SendPacket(0, data, bytes, to, from);
        return true;
    }
    return server.wire && server.wire->SendFrom(from, to, data, bytes);
}

void Server::FlushSimulator(bool everything)
{
    if (simulator && wire)
        simulator->Flush(*wire, time, step, everything);
}

void Server::SendPackets()
{
    if (!running)
        return;
    for (int i = 0; i < maxClients; ++i)
        if (netcode.IsClientConnected(i))
            slots[i].SendPacket();
    FlushSimulator();
}

void Server::ReceivePackets()
{
    if (!running)
        return;
    for (int i = 0; i < maxClients; ++i)
    {
        if (!netcode.IsClientConnected(i))
            continue;
        int bytes = 0;
        uint64_t sequence = 0;
        while (const uint8_t* payload = netcode.ReceivePayload(i, bytes, sequence))
        {
            slots[i].ReceivePacket(payload, bytes);
            netcode.FreePayload(payload);
        }
        slots[i].ProcessAcks();
    }
}

void Server::AdvanceTime(double newTime)
{
    step = newTime - time;
    time = newTime;
    netcode.Update(time);
    if (simulator)
    {
        simulator->AdvanceTime(time);
        FlushSimulator();
    }
    if (!running)
        return;
    for (int i = 0; i < maxClients; ++i)
    {
        if (!netcode.IsClientConnected(i))
            continue;
        slots[i].AdvanceTime(time);
        if (int error = slots[i].GetErrorLevel(); error != CONNECTION_ERROR_NONE)
        {
            NET_LOG_ERROR("server: client %d's connection failed (error %d), disconnecting it", i, error);
            netcode.DisconnectClient(i);
        }
    }
}

void Server::DisconnectClient(int clientIndex)
{
    if (ValidSlot(clientIndex))
        netcode.DisconnectClient(clientIndex);
}

void Server::DisconnectAllClients()
{
    if (running)
        netcode.DisconnectAllClients();
}

Message* Server::CreateMessage(int clientIndex, int type)
{
    return ValidSlot(clientIndex) ? slots[clientIndex].GetMessageFactory().CreateMessage(type) : nullptr;
}

bool Server::CanSendMessage(int clientIndex, int channelIndex) const
{
    return IsClientConnected(clientIndex) && slots[clientIndex].GetConnection().CanSendMessage(channelIndex);
}

bool Server::SendMessage(int clientIndex, int channelIndex, Message* message)
{
    if (!message)
        return false;
    if (!ValidSlot(clientIndex))
    {
        NET_LOG_ERROR("server: message sent to client %d, which has no slot", clientIndex);
        return false;
    }
    if (!IsClientConnected(clientIndex))
    {
        slots[clientIndex].GetMessageFactory().ReleaseMessage(message);
        return false;
    }
    return slots[clientIndex].GetConnection().SendMessage(channelIndex, message);
}

Message* Server::ReceiveMessage(int clientIndex, int channelIndex)
{
    return IsClientConnected(clientIndex) ? slots[clientIndex].GetConnection().ReceiveMessage(channelIndex) : nullptr;
}

void Server::ReleaseMessage(int clientIndex, Message* message)
{
    if (ValidSlot(clientIndex))
        slots[clientIndex].GetMessageFactory().ReleaseMessage(message);
    else if (message)
        NET_LOG_ERROR("server: message released to client %d, which has no slot", clientIndex);
}

MessageFactory* Server::GetMessageFactory(int clientIndex)
{
    return ValidSlot(clientIndex) ? &slots[clientIndex].GetMessageFactory() : nullptr;
}

void Server::GetNetworkInfo(int clientIndex, NetworkInfo& info) const
{
    info = IsClientConnected(clientIndex) ? slots[clientIndex].GetNetworkInfo() : NetworkInfo();
}

} // namespace Net
