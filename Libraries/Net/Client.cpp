#include "Net/Client.h"

#include "Net/Log.h"

#include <algorithm>
#include <utility>

namespace Net
{

Client::Client(Allocator& allocator, const Address& address, const ClientServerConfig& config, Adapter& adapter,
               double time)
    : Client(allocator, std::make_unique<UdpSocket>(address), nullptr, config, adapter, time)
{
}

Client::Client(Allocator& allocator, std::unique_ptr<UdpSocket> socket, const ClientServerConfig& config,
               Adapter& adapter, double time)
    : Client(allocator, std::move(socket), nullptr, config, adapter, time)
{
}

Client::Client(Allocator& allocator, Transport& transport, const ClientServerConfig& config, Adapter& adapter,
               double time)
    : Client(allocator, nullptr, &transport, config, adapter, time)
{
}

Client::Client(Allocator& allocator, std::unique_ptr<UdpSocket> ownedSocket, Transport* transport,
               const ClientServerConfig& config, Adapter& adapter, double time)
    : socket(std::move(ownedSocket)), wire(socket ? socket.get() : transport),
      netcode(MakeNetcodeConfig(this), wire, time), time(time)
{
    size_t memoryBytes = size_t(std::max(config.clientMemory, 0));
    if (!endpoint.Create(allocator, memoryBytes, adapter, config, 0, &Client::TransmitPacket, this, time))
    {
        NET_LOG_ERROR("client: could not set up its %zu bytes of memory", memoryBytes);
        return;
    }
    if (config.networkSimulator)
    {
        Allocator& own = endpoint.GetAllocator();
        simulator = NET_NEW(own, NetworkSimulator, own, config.maxSimulatorPackets, time);
        if (!simulator)
            NET_LOG_ERROR("client: no memory for the network simulator");
    }
}

NetcodeClientConfig Client::MakeNetcodeConfig(Client* client)
{
    NetcodeClientConfig netcodeConfig;
    netcodeConfig.sendFunction = &Client::SendRaw;
    netcodeConfig.sendContext = client;
    return netcodeConfig;
}

Client::~Client()
{
    Disconnect();
    // The disconnect packets are on their way; a closing client does not hold them back.
    FlushSimulator(true);
    if (endpoint.IsCreated())
        NET_DELETE(endpoint.GetAllocator(), simulator);
}

void Client::Connect(uint64_t id, const uint8_t connectToken[ConnectTokenBytes])
{
    Disconnect();
    clientId = id;
    if (!endpoint.IsCreated() || (socket && !socket->IsOpen()))
    {
        NET_LOG_ERROR("client: cannot connect without its %s", endpoint.IsCreated() ? "socket" : "memory");
        state = CLIENT_STATE_ERROR;
        return;
    }
    netcode.Connect(connectToken);
    UpdateState();
}

void Client::Disconnect()
{
    netcode.Disconnect();
    ResetConnection();
    state = CLIENT_STATE_DISCONNECTED;
}

void Client::ResetConnection()
{
    // Packets already in the simulator are on the wire: sealed for their connection, they are
    // the server's to take or drop.
    endpoint.Reset();
}

void Client::UpdateState()
{
    NetcodeClientState now = netcode.State();
    ClientState next = CLIENT_STATE_ERROR;
    if (now == NETCODE_CLIENT_STATE_CONNECTED)
        next = CLIENT_STATE_CONNECTED;
    else if (now > NETCODE_CLIENT_STATE_DISCONNECTED)
        next = CLIENT_STATE_CONNECTING;
    else if (now == NETCODE_CLIENT_STATE_DISCONNECTED)
        next = CLIENT_STATE_DISCONNECTED;
    // Whatever was queued on this connection must not reach the next one.
    if (state == CLIENT_STATE_CONNECTED && next != CLIENT_STATE_CONNECTED)
        ResetConnection();
    state = next;
}

void Client::TransmitPacket(void* context, int, const uint8_t* packet, int bytes)
{
    static_cast<Client*>(context)->netcode.SendPayload(packet, bytes);
}

bool Client::SendRaw(void* context, const Address& from, const Address& to, const uint8_t* data, int bytes)
{
    Client& client = *static_cast<Client*>(context);
    if (client.simulator)
    {
        client.simulator->SendPacket(0, data, bytes, to, from);
        return true;
    }
    return client.wire && client.wire->SendFrom(from, to, data, bytes);
}

void Client::FlushSimulator(bool everything)
{
    if (simulator && wire)
        simulator->Flush(*wire, time, step, everything);
}

void Client::SendPackets()
{
    if (!IsConnected())
        return;
    endpoint.SendPacket();
    FlushSimulator();
}

void Client::ReceivePackets()
{
    if (!IsConnected())
        return;
    int bytes = 0;
    uint64_t sequence = 0;
    while (const uint8_t* payload = netcode.ReceivePayload(bytes, sequence))
    {
        endpoint.ReceivePacket(payload, bytes);
        netcode.FreePayload(payload);
    }
    endpoint.ProcessAcks();
}

void Client::AdvanceTime(double newTime)
{
    step = newTime - time;
    time = newTime;
    // The connection layer's clock runs in every state: a Connect after a long idle time stamps
    // the token's lifetime and the last receive time from it.
    netcode.Update(time);
    if (state == CLIENT_STATE_CONNECTING || state == CLIENT_STATE_CONNECTED)
        UpdateState();
    if (simulator)
    {
        simulator->AdvanceTime(time);
        FlushSimulator();
    }
    if (!IsConnected())
        return;
    endpoint.AdvanceTime(time);
    if (int error = endpoint.GetErrorLevel(); error != CONNECTION_ERROR_NONE)
    {
        NET_LOG_ERROR("client: the connection failed (error %d), disconnecting", error);
        Disconnect();
        state = CLIENT_STATE_ERROR;
    }
}

Message* Client::CreateMessage(int type)
{
    return endpoint.IsCreated() ? endpoint.GetMessageFactory().CreateMessage(type) : nullptr;
}

bool Client::CanSendMessage(int channelIndex) const
{
    return IsConnected() && endpoint.GetConnection().CanSendMessage(channelIndex);
}

bool Client::SendMessage(int channelIndex, Message* message)
{
    if (!message || !endpoint.IsCreated())
        return false;
    if (!IsConnected())
    {
        endpoint.GetMessageFactory().ReleaseMessage(message);
        return false;
    }
    return endpoint.GetConnection().SendMessage(channelIndex, message);
}

Message* Client::ReceiveMessage(int channelIndex)
{
    return IsConnected() ? endpoint.GetConnection().ReceiveMessage(channelIndex) : nullptr;
}

void Client::ReleaseMessage(Message* message)
{
    if (endpoint.IsCreated())
        endpoint.GetMessageFactory().ReleaseMessage(message);
}

MessageFactory* Client::GetMessageFactory()
{
    return endpoint.IsCreated() ? &endpoint.GetMessageFactory() : nullptr;
}

void Client::GetNetworkInfo(NetworkInfo& info) const
{
    info = IsConnected() ? endpoint.GetNetworkInfo() : NetworkInfo();
}

} // namespace Net
