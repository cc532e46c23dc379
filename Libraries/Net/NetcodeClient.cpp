#include "Net/NetcodeClient.h"

#include "Net/Log.h"

#include <cstring>
#include <limits>
#include <sodium.h>

namespace Net
{

namespace
{

constexpr int MaxPacketsPerUpdate = 1024;
constexpr double Never = -std::numeric_limits<double>::infinity();

} // namespace

const char* NetcodeClientStateName(NetcodeClientState state)
{
    switch (state)
    {
    case NETCODE_CLIENT_STATE_CONNECT_TOKEN_EXPIRED:
        return "connect token expired";
    case NETCODE_CLIENT_STATE_INVALID_CONNECT_TOKEN:
        return "invalid connect token";
    case NETCODE_CLIENT_STATE_CONNECTION_TIMED_OUT:
        return "connection timed out";
    case NETCODE_CLIENT_STATE_CONNECTION_RESPONSE_TIMED_OUT:
        return "connection response timed out";
    case NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT:
        return "connection request timed out";
    case NETCODE_CLIENT_STATE_CONNECTION_DENIED:
        return "connection denied";
    case NETCODE_CLIENT_STATE_DISCONNECTED:
        return "disconnected";
    case NETCODE_CLIENT_STATE_SENDING_CONNECTION_REQUEST:
        return "sending connection request";
    case NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE:
        return "sending connection response";
    case NETCODE_CLIENT_STATE_CONNECTED:
        return "connected";
    }
    return "unknown";
}

NetcodeClient::NetcodeClient(const NetcodeClientConfig& config, Transport* transport, double time)
    : config(config), transport(transport), time(time)
{
    InitializeCrypto();
    payloads.Allocate(config.payloadQueueSize > 0 ? config.payloadQueueSize : 1);
}

NetcodeClient::~NetcodeClient()
{
    Disconnect();
    sodium_memzero(&token, sizeof(token));
}

void NetcodeClient::Connect(const uint8_t connectToken[ConnectTokenBytes])
{
    Disconnect();
    payloads.Clear();
    clientIndex = -1;
    maxClients = 0;
    // The packet sequence carries on from earlier connections: the same token again would
    // otherwise repeat nonces under its key.
    if (!connectToken || !ReadConnectToken(connectToken, token))
    {
        NET_LOG_ERROR("client: the connect token does not read");
        SetState(NETCODE_CLIENT_STATE_INVALID_CONNECT_TOKEN);
        return;
    }
    // The client's clock need not agree with the token maker's, so the token's lifetime is
    // counted from now.
    tokenExpireTime = time + static_cast<double>(token.expireTimestamp - token.createTimestamp);
    WriteConnectionRequest(token, requestPacket, sizeof(requestPacket));
    StartServer(0);
}

void NetcodeClient::StartServer(int index)
{
    serverIndex = index;
    serverAddress = token.serverAddresses[index];
    lastReceiveTime = time;
    lastSendTime = Never;
    replay.Reset();
    char text[64];
    NET_LOG_INFO("client: connecting to %s", serverAddress.ToString(text, sizeof(text)));
    SetState(NETCODE_CLIENT_STATE_SENDING_CONNECTION_REQUEST);
}

bool NetcodeClient::ConnectToNextServer()
{
    if (serverIndex + 1 >= token.numServerAddresses)
        return false;
    StartServer(serverIndex + 1);
    return true;
}

void NetcodeClient::Fail(NetcodeClientState failure)
{
    if (!ConnectToNextServer())
        SetState(failure);
}

void NetcodeClient::SetState(NetcodeClientState newState)
{
    if (newState != state)
        NET_LOG_DEBUG("client: %s -> %s", NetcodeClientStateName(state), NetcodeClientStateName(newState));
    state = newState;
    if (state <= NETCODE_CLIENT_STATE_DISCONNECTED)
    {
        // The keys are no use to a client that is not connecting; keep no copy of them.
        sodium_memzero(token.clientToServerKey, KeyBytes);
        sodium_memzero(token.serverToClientKey, KeyBytes);
    }
}

void NetcodeClient::Update(double newTime)
{
    time = newTime;
    ReceivePackets();
    if (IsConnecting() && time >= tokenExpireTime)
        SetState(NETCODE_CLIENT_STATE_CONNECT_TOKEN_EXPIRED);
    SendPackets();
    CheckTimeouts();
}

void NetcodeClient::ReceivePackets()
{
    if (transport)
        ReceiveEach(*transport, receiveBuffer, sizeof(receiveBuffer), MaxPacketsPerUpdate,
                    [this](const Address& from, const Address&, uint8_t* data, int bytes)
                    { ProcessPacket(from, data, bytes); });
}

void NetcodeClient::ProcessPacket(const Address& from, uint8_t* data, int bytes)
{
    PacketReadContext context;
    context.protocolId = token.protocolId;
    context.key = token.serverToClientKey;
    context.replay = &replay;
    switch (state)
    {
    case NETCODE_CLIENT_STATE_SENDING_CONNECTION_REQUEST:
        context.allowedTypes = PacketTypeBit(PACKET_CONNECTION_DENIED) | PacketTypeBit(PACKET_CONNECTION_CHALLENGE);
        break;
    case NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE:
        context.allowedTypes = PacketTypeBit(PACKET_CONNECTION_DENIED) | PacketTypeBit(PACKET_KEEP_ALIVE);
        break;
    case NETCODE_CLIENT_STATE_CONNECTED:
        context.allowedTypes =
            PacketTypeBit(PACKET_KEEP_ALIVE) | PacketTypeBit(PACKET_PAYLOAD) | PacketTypeBit(PACKET_DISCONNECT);
        break;
    default:
        return Drop(PACKET_READ_NOT_EXPECTED);
    }
    if (from != serverAddress)
    {
        NoteStray(from, data, bytes, context);
        return Drop(PACKET_READ_NOT_EXPECTED);
    }

    Packet packet;
    PacketReadResult result = ReadPacket(data, bytes, context, packet);
    if (result != PACKET_READ_OK)
        return Drop(result);

    switch (packet.type)
    {
    case PACKET_CONNECTION_DENIED:
        ++counters.packetsReceived;
        NET_LOG_INFO("client: the server denied the connection");
        Fail(NETCODE_CLIENT_STATE_CONNECTION_DENIED);
        return;
    case PACKET_CONNECTION_CHALLENGE:
        ++counters.packetsReceived;
        challengeSequence = packet.challengeSequence;
        std::memcpy(challengeData, packet.challengeData, ChallengeTokenBytes);
        lastReceiveTime = time;
        lastSendTime = Never;
        SetState(NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE);
        return;
    case PACKET_KEEP_ALIVE:
        if (state == NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE)
        {
            // Opened with the session key, but still checked: the slot must be one of the slots.
            if (packet.maxClients < 1 || packet.maxClients > static_cast<uint32_t>(NetcodeMaxClients) ||
                packet.clientIndex >= packet.maxClients)
                return Drop(PACKET_READ_MALFORMED);
            clientIndex = static_cast<int>(packet.clientIndex);
            maxClients = static_cast<int>(packet.maxClients);
            char text[64];
            NET_LOG_INFO("client: connected to %s as client %d of %d", serverAddress.ToString(text, sizeof(text)),
                         clientIndex, maxClients);
            SetState(NETCODE_CLIENT_STATE_CONNECTED);
        }
        lastReceiveTime = time;
        ++counters.packetsReceived;
        return;
    case PACKET_PAYLOAD:
        lastReceiveTime = time;
        if (!payloads.Push(packet.payload, packet.payloadBytes, packet.sequence))
            return Drop(PACKET_READ_QUEUE_FULL);
        ++counters.packetsReceived;
        return;
    case PACKET_DISCONNECT:
        ++counters.packetsReceived;
        NET_LOG_INFO("client: the server disconnected this client");
        SetState(NETCODE_CLIENT_STATE_DISCONNECTED);
        return;
    default:
        return Drop(PACKET_READ_NOT_EXPECTED);
    }
}

void NetcodeClient::SendPackets()
{
    if (lastSendTime + NetcodePacketInterval > time)
        return;
    switch (state)
    {
    case NETCODE_CLIENT_STATE_SENDING_CONNECTION_REQUEST:
        if (SendRaw(requestPacket, ConnectionRequestBytes))
            ++counters.requestsSent;
        lastSendTime = time;
        break;
    case NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE:
    {
        Packet packet;
        packet.type = PACKET_CONNECTION_RESPONSE;
        packet.challengeSequence = challengeSequence;
        std::memcpy(packet.challengeData, challengeData, ChallengeTokenBytes);
        SendPacket(packet);
        break;
    }
    case NETCODE_CLIENT_STATE_CONNECTED:
    {
        Packet packet;
        packet.type = PACKET_KEEP_ALIVE;
        packet.clientIndex = static_cast<uint32_t>(clientIndex);
        packet.maxClients = static_cast<uint32_t>(maxClients);
        SendPacket(packet);
        break;
    }
    default:
        break;
    }
}

void NetcodeClient::CheckTimeouts()
{
    if (state <= NETCODE_CLIENT_STATE_DISCONNECTED || token.timeoutSeconds < 0 ||
        lastReceiveTime + token.timeoutSeconds >= time)
        return;
    char text[64];
    NET_LOG_INFO("client: %s timed out in state %s", serverAddress.ToString(text, sizeof(text)),
                 NetcodeClientStateName(state));
    if (state == NETCODE_CLIENT_STATE_SENDING_CONNECTION_REQUEST)
        Fail(NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT);
    else if (state == NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE)
        Fail(NETCODE_CLIENT_STATE_CONNECTION_RESPONSE_TIMED_OUT);
    else
        SetState(NETCODE_CLIENT_STATE_CONNECTION_TIMED_OUT);
}

void NetcodeClient::Disconnect()
{
    // A client sending its response may already hold a slot on the server, which would otherwise
    // keep it for the whole timeout and refuse the client's next attempt as already connected.
    if (state == NETCODE_CLIENT_STATE_CONNECTED || state == NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE)
    {
        for (int i = 0; i < NetcodeDisconnectPackets; ++i)
        {
            Packet packet;
            packet.type = PACKET_DISCONNECT;
            SendPacket(packet);
        }
        NET_LOG_INFO("client: disconnected");
    }
    if (state > NETCODE_CLIENT_STATE_DISCONNECTED)
        SetState(NETCODE_CLIENT_STATE_DISCONNECTED);
}

bool NetcodeClient::SendPayload(const uint8_t* data, int bytes)
{
    if (state != NETCODE_CLIENT_STATE_CONNECTED || !data || bytes < 1 || bytes > MaxPayloadBytes)
        return false;
    Packet packet;
    packet.type = PACKET_PAYLOAD;
    packet.payload = data;
    packet.payloadBytes = bytes;
    SendPacket(packet);
    return true;
}

const uint8_t* NetcodeClient::ReceivePayload(int& bytes, uint64_t& payloadSequence)
{
    return payloads.Pop(bytes, payloadSequence);
}

void NetcodeClient::FreePayload(const uint8_t* payload)
{
    if (payload && !payloads.Free(payload))
        NET_LOG_ERROR("client: freed a payload it did not hand out");
}

void NetcodeClient::SendPacket(Packet& packet)
{
    packet.sequence = sequence++;
    int bytes = WritePacket(packet, sendBuffer, sizeof(sendBuffer), token.clientToServerKey, token.protocolId);
    if (bytes <= 0)
        return;
    SendRaw(sendBuffer, bytes);
    lastSendTime = time;
}

bool NetcodeClient::SendRaw(const uint8_t* data, int bytes)
{
    bool sent = config.sendFunction ? config.sendFunction(config.sendContext, Address(), serverAddress, data, bytes)
                                    : transport && transport->Send(serverAddress, data, bytes);
    if (sent)
        ++counters.packetsSent;
    return sent;
}

void NetcodeClient::NoteStray(const Address& from, uint8_t* data, int bytes, const PacketReadContext& context)
{
    // Opened without the replay window, which a packet that is not taken must not move.
    PacketReadContext unguarded = context;
    unguarded.replay = nullptr;
    Packet packet;
    if (ReadPacket(data, bytes, unguarded, packet) != PACKET_READ_OK)
        return;
    ++counters.strayAnswers;
    strayAnswerAddress = from;
}

void NetcodeClient::Drop(PacketReadResult reason)
{
    ++counters.packetsDropped[reason];
    NET_LOG_DEBUG("client: dropped a packet (%d)", static_cast<int>(reason));
}

} // namespace Net
