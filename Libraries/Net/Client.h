#pragma once

#include "Net/Adapter.h"
#include "Net/Address.h"
#include "Net/Config.h"
#include "Net/ConnectToken.h"
#include "Net/ConnectionEndpoint.h"
#include "Net/Memory.h"
#include "Net/Message.h"
#include "Net/NetcodeClient.h"
#include "Net/NetworkSimulator.h"
#include "Net/Socket.h"

#include <cstdint>
#include <memory>

namespace Net
{

enum ClientState
{
    // The last attempt failed or the connection broke: GetNetcodeState tells a refusal or a timeout;
    // a connection whose messages failed shows there as disconnected.
    CLIENT_STATE_ERROR = -1,
    CLIENT_STATE_DISCONNECTED = 0,
    CLIENT_STATE_CONNECTING = 1,
    CLIENT_STATE_CONNECTED = 2,
};

// A player's connection to a dedicated server, with messages on the configured channels. All its
// memory, message factory and channels included, is one block of config.clientMemory bytes taken
// from the allocator. Runs in the caller's thread: each frame SendPackets, ReceivePackets, then
// AdvanceTime. The adapter is used, not owned, and must outlive the client.
class Client
{
public:
    // Over a UDP socket bound to the address (port 0 lets the system pick one).
    Client(Allocator& allocator, const Address& address, const ClientServerConfig& config, Adapter& adapter,
           double time);
    // Over a UDP socket it takes over, such as UdpSocket::Reaching the server.
    Client(Allocator& allocator, std::unique_ptr<UdpSocket> socket, const ClientServerConfig& config, Adapter& adapter,
           double time);
    // Over a transport the caller owns, such as a MemoryTransport; it must outlive the client.
    Client(Allocator& allocator, Transport& transport, const ClientServerConfig& config, Adapter& adapter, double time);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Disconnects first, then connects with the token to the first of its servers that admits it.
    // The client id is the one the token was made for. A token that does not read, or a socket
    // that did not open, leaves the client in the error state.
    void Connect(uint64_t clientId, const uint8_t connectToken[ConnectTokenBytes]);
    // Tells a connected server and drops every queued message.
    void Disconnect();

    ClientState GetClientState() const { return state; }
    bool IsConnecting() const { return state == CLIENT_STATE_CONNECTING; }
    bool IsConnected() const { return state == CLIENT_STATE_CONNECTED; }
    bool IsDisconnected() const { return state <= CLIENT_STATE_DISCONNECTED; }
    bool ConnectionFailed() const { return state == CLIENT_STATE_ERROR; }
    // Why the connection layer stands where it does: denied, timed out, and so on.
    NetcodeClientState GetNetcodeState() const { return netcode.State(); }
    // The server's slot for this client; -1 unless connected.
    int GetClientIndex() const { return IsConnected() ? netcode.ClientIndex() : -1; }
    uint64_t GetClientId() const { return clientId; }
    // The address the client is bound to, with the port it really got.
    Address GetAddress() const { return netcode.GetAddress(); }
    // The system's reason (an errno value) that nothing the client sent has left its machine: its socket
    // did not open, or its sends fail. 0 once a packet has left.
    int GetSendError() const { return wire ? wire->GetSendError() : 0; }
    // The system's reason that the last packet did not leave; 0 when it left.
    int GetLastSendError() const { return wire ? wire->GetLastSendError() : 0; }
    // False when the client is bound to one address that its machine no longer holds.
    bool HoldsItsAddress() const { return !wire || wire->HoldsItsAddress(); }

    // One packet to the server while connected, carrying the messages that are due and the acks.
    void SendPackets();
    // Takes in the packets that arrived: their messages are queued for ReceiveMessage.
    void ReceivePackets();
    // Moves the client's clock to time (seconds): reads the network, runs the connection's steps
    // and timeouts, and disconnects when the connection failed (a message that could not be sent
    // or kept, or the client's memory spent).
    void AdvanceTime(double time);
    double GetTime() const { return time; }

    // A message of the type, or null (no such type, or the memory spent). Hand it to SendMessage
    // or give it back with ReleaseMessage.
    Message* CreateMessage(int type);
    bool CanSendMessage(int channelIndex) const;
    // Takes over the caller's reference in every case; false when the message was not queued
    // (not connected, no such channel, or the channel refused it, which is an error that
    // disconnects on the next AdvanceTime).
    bool SendMessage(int channelIndex, Message* message);
    // The next message from the server on the channel, or null; give it back with ReleaseMessage.
    Message* ReceiveMessage(int channelIndex);
    void ReleaseMessage(Message* message);
    // Null when the client's memory could not be set up.
    MessageFactory* GetMessageFactory();
    // Zeros unless connected.
    void GetNetworkInfo(NetworkInfo& info) const;
    // The connection layer's counts over every connection of this client, the attempts included.
    const NetcodeCounters& GetNetcodeCounters() const { return netcode.GetCounters(); }
    // Where the server's answers came from when they came from another address than the one dialled (the
    // last of them, counted as strayAnswers); invalid when none did.
    Address GetStrayAnswerAddress() const { return netcode.StrayAnswerAddress(); }

    // Null unless config.networkSimulator was set; every outgoing packet then passes through it.
    NetworkSimulator* GetNetworkSimulator() { return simulator; }

private:
    Client(Allocator& allocator, std::unique_ptr<UdpSocket> ownedSocket, Transport* transport,
           const ClientServerConfig& config, Adapter& adapter, double time);

    static NetcodeClientConfig MakeNetcodeConfig(Client* client);
    static void TransmitPacket(void* context, int index, const uint8_t* packet, int bytes);
    // Every packet of the connection layer leaves here, so the simulator also sees requests,
    // keep-alives and disconnects.
    static bool SendRaw(void* context, const Address& from, const Address& to, const uint8_t* data, int bytes);
    // Puts the packets that are due on the wire; all of them when everything must go now.
    void FlushSimulator(bool everything = false);
    // Follows the connection layer's state; a new connection starts with empty channels.
    void UpdateState();
    void ResetConnection();

    // Declared before the connection layer, which sends through it until it disconnects.
    std::unique_ptr<UdpSocket> socket;
    Transport* wire;
    NetcodeClient netcode;
    ConnectionEndpoint endpoint;
    NetworkSimulator* simulator = nullptr;
    ClientState state = CLIENT_STATE_DISCONNECTED;
    uint64_t clientId = 0;
    double time;
    // The time between the last two updates, which the simulator's flushes look half of ahead.
    double step = 0.0;
};

} // namespace Net
