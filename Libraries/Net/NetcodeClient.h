#pragma once

#include "Net/Address.h"
#include "Net/ConnectToken.h"
#include "Net/Packet.h"
#include "Net/PayloadQueue.h"
#include "Net/Socket.h"

#include <cstdint>

namespace Net
{

// Negative states are failures; the client stays in one until it connects or disconnects again.
enum NetcodeClientState
{
    NETCODE_CLIENT_STATE_CONNECT_TOKEN_EXPIRED = -6,
    NETCODE_CLIENT_STATE_INVALID_CONNECT_TOKEN = -5,
    NETCODE_CLIENT_STATE_CONNECTION_TIMED_OUT = -4,
    NETCODE_CLIENT_STATE_CONNECTION_RESPONSE_TIMED_OUT = -3,
    NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT = -2,
    NETCODE_CLIENT_STATE_CONNECTION_DENIED = -1,
    NETCODE_CLIENT_STATE_DISCONNECTED = 0,
    NETCODE_CLIENT_STATE_SENDING_CONNECTION_REQUEST = 1,
    NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE = 2,
    NETCODE_CLIENT_STATE_CONNECTED = 3,
};

const char* NetcodeClientStateName(NetcodeClientState state);

struct NetcodeClientConfig
{
    // When set, outgoing packets go here instead of to the transport.
    PacketSendFunction sendFunction = nullptr;
    void* sendContext = nullptr;
    // Payloads kept until the application receives them.
    int payloadQueueSize = 256;
};

// A player's side of the connection protocol: it connects with a connect token to the first of the
// token's servers that admits it and then moves opaque payloads to and from that server. Runs in
// the caller's thread; the transport is used, not owned, and must outlive the client.
class NetcodeClient
{
public:
    NetcodeClient(const NetcodeClientConfig& config, Transport* transport, double time);
    ~NetcodeClient();
    NetcodeClient(const NetcodeClient&) = delete;
    NetcodeClient& operator=(const NetcodeClient&) = delete;

    // Disconnects first, then starts on the token's first server. A token that does not read
    // leaves the client in NETCODE_CLIENT_STATE_INVALID_CONNECT_TOKEN.
    void Connect(const uint8_t connectToken[ConnectTokenBytes]);
    // Reads waiting packets, sends what the state calls for and applies the timeouts.
    void Update(double time);
    // Tells a connected server with redundant disconnect packets, then goes to disconnected.
    void Disconnect();

    NetcodeClientState State() const { return state; }
    bool IsConnecting() const
    {
        return state == NETCODE_CLIENT_STATE_SENDING_CONNECTION_REQUEST ||
               state == NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE;
    }

    // Sends bytes (1 to MaxPayloadBytes) to the server while connected. False otherwise.
    bool SendPayload(const uint8_t* data, int bytes);
    // The oldest payload from the server, or null. The buffer stays valid until FreePayload; a new
    // Connect drops payloads not yet received.
    const uint8_t* ReceivePayload(int& bytes, uint64_t& sequence);
    void FreePayload(const uint8_t* payload);

    // The slot the server gave this client and the server's slot count; -1 and 0 until connected.
    int ClientIndex() const { return clientIndex; }
    int MaxClients() const { return maxClients; }
    Address ServerAddress() const { return serverAddress; }
    Address GetAddress() const { return transport ? transport->GetAddress() : Address(); }
    const NetcodeCounters& GetCounters() const { return counters; }
    // The address the last of the counters' stray answers came from; invalid while none came.
    Address StrayAnswerAddress() const { return strayAnswerAddress; }

private:
    void ReceivePackets();
    void ProcessPacket(const Address& from, uint8_t* data, int bytes);
    void SendPackets();
    void CheckTimeouts();
    // The next address of the token after a failure; false when none is left.
    bool ConnectToNextServer();
    void StartServer(int index);
    void Fail(NetcodeClientState failure);
    void SetState(NetcodeClientState newState);
    void SendPacket(Packet& packet);
    // Whether the transport took the packet.
    bool SendRaw(const uint8_t* data, int bytes);
    void Drop(PacketReadResult reason);
    // Notes a packet from another address than the server's that opens under the server's key. It is
    // dropped all the same: taking it would move the connection wherever a forger points it.
    void NoteStray(const Address& from, uint8_t* data, int bytes, const PacketReadContext& context);

    NetcodeClientConfig config;
    Transport* transport;
    double time;
    NetcodeClientState state = NETCODE_CLIENT_STATE_DISCONNECTED;
    ConnectToken token;
    int serverIndex = 0;
    Address serverAddress;
    double tokenExpireTime = 0.0;
    double lastReceiveTime = 0.0;
    double lastSendTime = 0.0;
    uint64_t sequence = 0;
    ReplayProtection replay;
    uint64_t challengeSequence = 0;
    uint8_t challengeData[ChallengeTokenBytes] = {};
    int clientIndex = -1;
    int maxClients = 0;
    PayloadQueue payloads;
    NetcodeCounters counters;
    Address strayAnswerAddress;
    uint8_t requestPacket[ConnectionRequestBytes] = {};
    uint8_t receiveBuffer[2048];
    uint8_t sendBuffer[MaxPacketBytes];
};

} // namespace Net
